#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "config/name_lists.h"
#include "entry/entry_changes.h"
#include "entry/entry_rows.h"
#include "entry/entry_screens.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/support/ledger_data.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

namespace qinghe::testing {

// The main window as the entry flows change it, reduced to a record: the
// lists (RecordingView), the filter choices offered, the rows selected again
// and the refreshes of the 查账 list.
class RecordingScreens final : public entry::EntryScreens {
  public:
    explicit RecordingScreens(RecordingView& lists) : EntryScreens(lists) {}

    void showFilterChoices(const FilterChoices& choices) override { filters.push_back(choices); }
    void selectEntryRow(std::size_t row) override { entrySelections.push_back(row); }
    void selectQueryRow(std::size_t row) override { querySelections.push_back(row); }
    void refreshQueryList(AppState& state) override {
        ++queryRefreshes;
        EntryScreens::refreshQueryList(state);
    }

    std::vector<FilterChoices> filters;
    std::vector<std::size_t> entrySelections;
    std::vector<std::size_t> querySelections;
    int queryRefreshes = 0;
};

inline std::vector<EntryValues> allValues(const LedgerRows& rows) {
    std::vector<EntryValues> values;
    for (std::size_t i = 0; i < rows.size(); ++i) values.push_back(rows.values(i));
    return values;
}

// One ledger "家庭" made and opened by the program's own flows, over a run
// directory with settings, a fixed clock (2015-05-12 12:00) and scripted
// answers.
class EntryFlowTest : public ::testing::Test {
  protected:
    EntryFlowTest() {
        state_.settings = loadSettings(state_.run, clock_);
        state_.settings.incomeItems = {gbk("工资"), gbk("奖金")};
        state_.settings.expenseItems = {gbk("餐饮"), gbk("交通")};
        state_.settings.members = {gbk("爸爸"), gbk("妈妈")};
        EXPECT_TRUE(saveItemLists(state_.run, state_.settings));
        EXPECT_TRUE(saveMemberList(state_.run, state_.settings));
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    }

    // What a fresh start reads from the ledger's table: read-only, as the
    // table is still open here.
    std::vector<EntryValues> walked(const char* name = "家庭") {
        ScriptedUser user;
        AppState fresh(RunDirectory(folder_.path()), files_, clock_, user);
        fresh.tables.setReadOnly(true);
        auto rows = entry::loadLedgerRows(fresh, folder_ / "data" / (std::string(name) + ".edb"));
        return rows ? allValues(*rows) : std::vector<EntryValues>{};
    }

    const LedgerRows& rows() { return *state_.currentLedger.rows; }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : user_.messages) texts.push_back(message.text);
        return texts;
    }

    // Entries added straight through the one place that changes them.
    void addEntries(const std::vector<EntryValues>& entries) {
        for (const EntryValues& values : entries)
            ASSERT_TRUE(entry::addEntry(state_, values, "", &view_));
        view_.changes.clear();
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    ScriptedUser user_;
    AppState state_{RunDirectory(folder_.path()), files_, clock_, user_};
    RecordingView view_;
    RecordingScreens screens_{view_};
};

}  // namespace qinghe::testing
