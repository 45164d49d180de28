#include "entry/entry_removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/money_text.h"
#include "common/standard_messages.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_window.h"
#include "tests/entry/entry_fixture.h"
#include "tests/support/memory_file_system.h"

namespace qinghe {
namespace {

using testing::gbk;
using Change = testing::RecordingView::Change;

class EntryRemovalTest : public testing::EntryFlowTest {
  protected:
    EntryRemovalTest() {
        state_.settings.initialAmount = 100;
        addEntries({{.date = 42130, .item = "one", .amount = 1},
                    {.date = 42131, .item = "two", .amount = 2},
                    {.date = 42132, .item = "three", .amount = 4}});
    }

    std::vector<std::string> items() {
        std::vector<std::string> names;
        for (const auto& values : walked()) names.push_back(values.item);
        return names;
    }
};

TEST_F(EntryRemovalTest, DeletingTheSecondOfThreeRenumbersTheThird) {
    EXPECT_TRUE(entry::deleteSelectedEntry(state_, 1, view_));
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, entry::kDeleteQuestion);
    EXPECT_EQ(user_.messages[0].title, entry::kDeleteEntryTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(user_.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(items(), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(testing::allValues(rows()), walked());
    EXPECT_EQ(view_.changes, (std::vector<Change>{{Change::Removed, 1}}));
    EXPECT_EQ(view_.labels->expense, gbk("累计支出：5"));
    // The second row now opens what was the third entry.
    user_.windowVisits.push_back([](WindowKind, WindowModel& model) {
        EXPECT_EQ(dynamic_cast<entry::EntryWindowModel&>(model).viewTexts().item,
                  gbk("项目：  three"));
    });
    EXPECT_TRUE(entry::openEntryWindow(state_, 1, entry::EntryOpener::EntryList, screens_));
}

TEST_F(EntryRemovalTest, DeletingTheOnlyEntryLeavesTheInitialAmount) {
    ASSERT_TRUE(entry::clearAllEntries(state_, 3, view_));
    addEntries({{.item = "only", .amount = 7}});
    user_.messages.clear();
    EXPECT_TRUE(entry::deleteSelectedEntry(state_, 0, view_));
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(walked().empty());
    EXPECT_EQ(view_.labels->balance, gbk("当前余额：100"));
    EXPECT_EQ(view_.labels->income, gbk("累计收入：0"));
}

TEST_F(EntryRemovalTest, NothingSelectedCancelledOrEmptyAsksNothingAndKeepsAll) {
    EXPECT_FALSE(entry::deleteSelectedEntry(state_, std::nullopt, view_));
    EXPECT_FALSE(entry::clearAllEntries(state_, 0, view_));
    EXPECT_TRUE(user_.messages.empty());

    user_.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel};
    EXPECT_FALSE(entry::deleteSelectedEntry(state_, 0, view_));
    EXPECT_FALSE(entry::clearAllEntries(state_, 3, view_));
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{entry::kDeleteQuestion, entry::kClearQuestion}));
    EXPECT_EQ(items(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_TRUE(view_.changes.empty());
    EXPECT_TRUE(user_.passwordRequests.empty());
}

// The password gate of both actions: asked only with an access password and
// the setting on; only the right password lets the action go on.
TEST_F(EntryRemovalTest, ThePasswordGateAsksOnlyWhenBothAreSet) {
    const struct {
        const char* name;
        const char* ledgerPassword;
        bool needPass;
        std::vector<std::vector<std::string>> typed;  // per password dialog
        bool asked;
        bool done;
    } cases[] = {
        {"no password, setting on", "", 1, {}, false, true},
        {"password, setting off", "pw", 0, {}, false, true},
        {"password, setting on, right", "pw", 1, {{"pw"}}, true, true},
        {"password, setting on, wrong then cancelled", "pw", 1, {{"no"}}, true, false},
        {"password, setting on, cancelled", "pw", 1, {{}}, true, false},
    };
    for (bool clearing : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (clearing ? " (clear)" : " (delete)"));
            state_.currentLedger.password = c.ledgerPassword;
            state_.needPass = c.needPass;
            user_.passwordRequests.clear();
            user_.passwordVisits.assign(c.typed.begin(), c.typed.end());
            const std::size_t before = rows().size();
            const bool done = clearing ? entry::clearAllEntries(state_, rows().size(), view_)
                                       : entry::deleteSelectedEntry(state_, 0, view_);
            EXPECT_EQ(done, c.done);
            EXPECT_EQ(user_.passwordRequests.size(), c.asked ? 1u : 0u);
            EXPECT_EQ(walked().size(), rows().size());
            EXPECT_EQ(rows().size(), c.done ? (clearing ? 0 : before - 1) : before);
            if (rows().empty()) addEntries({{.item = "a"}, {.item = "b"}});
        }
    }
}

TEST_F(EntryRemovalTest, APasswordGivenToTheOpenLedgerIsAskedAtOnce) {
    // Changed while the ledger is open: the gate asks for the new one.
    state_.needPass = true;
    user_.formVisits = {{{gbk("家"), "", "secret"}}};
    ASSERT_TRUE(ledger::changeLedger(state_, 1, view_));
    EXPECT_EQ(state_.currentLedger.password, "secret");
    // The open ledger's new name under its list and in the ledger list.
    ASSERT_TRUE(view_.labels);
    EXPECT_EQ(view_.labels->ledger, gbk("当前账簿：  家"));
    ASSERT_TRUE(view_.ledgers);
    EXPECT_EQ(view_.ledgers->rows.at(0).name, gbk("家"));
    user_.passwordVisits = {{"secret"}};
    EXPECT_TRUE(entry::deleteSelectedEntry(state_, 0, view_));
    EXPECT_EQ(user_.passwordRequests.size(), 1u);
}

TEST_F(EntryRemovalTest, ClearingKeepsTheLedgerOpenWithZeroTotals) {
    EXPECT_TRUE(entry::clearAllEntries(state_, 3, view_));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{entry::kClearQuestion});
    EXPECT_EQ(user_.messages[0].title, entry::kClearEntriesTitle);
    EXPECT_TRUE(state_.currentLedger.isOpen());
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(walked().empty());
    EXPECT_EQ(view_.entries, state_.currentLedger.rows);
    EXPECT_EQ(view_.labels->expense, gbk("累计支出：0"));
    EXPECT_EQ(view_.labels->balance, gbk("当前余额：100"));
}

TEST(EntryRemovalFailure, AFailedWriteIsToldAndTheLedgerStaysAsItWas) {
    TemporaryFolder folder;
    FixedClock clock{42136.5};
    for (bool clearing : {false, true}) {
        SCOPED_TRACE(clearing ? "clear" : "delete");
        testing::MemoryFileSystem disk;
        testing::ScriptedUser user;
        AppState state(RunDirectory(folder.path()), disk, clock, user);
        testing::RecordingView view;
        ASSERT_EQ(ledger::createLedger(state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        ASSERT_EQ(ledger::openLedger(state, 1, view), ledger::OpenLedgerResult::Opened);
        ASSERT_TRUE(entry::addEntry(state, {.amount = 1}, "", &view));
        ASSERT_TRUE(entry::addEntry(state, {.amount = 2}, "", &view));
        view.changes.clear();
        disk.setFault(testing::MemoryFileSystem::Fault::WriteError, disk.steps());
        const bool done = clearing ? entry::clearAllEntries(state, 2, view)
                                   : entry::deleteSelectedEntry(state, 0, view);
        EXPECT_FALSE(done);
        ASSERT_EQ(user.messages.size(), 2u);
        EXPECT_EQ(user.messages[1].text, clearing ? entry::kClearFailed : entry::kDeleteFailed);
        EXPECT_EQ(user.messages[1].icon, MessageIcon::Error);
        EXPECT_EQ(state.currentLedger.rows->size(), 2u);
        EXPECT_TRUE(view.changes.empty());
    }
}

}  // namespace
}  // namespace qinghe
