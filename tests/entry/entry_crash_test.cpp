#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/temporary_folder.h"
#include "entry/add_entry.h"
#include "entry/entry_changes.h"
#include "entry/entry_removal.h"
#include "entry/entry_rows.h"
#include "entry/entry_window.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "session/app_state.h"
#include "store/table_check.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"
#include "tests/support/crash_harness.h"
#include "tests/support/ledger_data.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

// Adding, changing (with vouchers) and deleting an entry through the windows'
// flows, on a disk in memory that is killed, tears a write, loses power or
// fails a write or a flush at each step in turn: the next start finds the
// ledger as it was before or as it is after, never anything else, and after
// whenever the flow said it was done.

namespace qinghe {
namespace {

using testing::CrashHarness;
using testing::gbk;
using testing::MemoryFileSystem;
using Found = CrashHarness::Found;

// One entry as the next start finds it, its pictures with it.
struct Seen {
    EntryValues values;
    std::string vouchers;
    friend bool operator==(const Seen&, const Seen&) = default;
};

const std::string kPhotoA = "\xFF\xD8\xFF photo A" + std::string(3000, 'a');
const std::string kPhotoB = "\xFF\xD8\xFF photo B" + std::string(5000, 'b');

class EntryCrashTest : public ::testing::Test {
  protected:
    struct Run {
        Run(EntryCrashTest& test, MemoryFileSystem& disk)
            : state(RunDirectory(test.folder_.path()), disk, test.clock_, user), screens(view) {
            state.settings.expenseItems = {gbk("餐饮")};
            state.settings.members = {gbk("妈妈")};
        }
        testing::ScriptedUser user;
        AppState state;
        testing::RecordingView view;
        entry::EntryScreens screens;
    };

    // A ledger of three entries, the second with two pictures.
    MemoryFileSystem household() {
        MemoryFileSystem disk;
        Run run(*this, disk);
        EXPECT_EQ(ledger::createLedger(run.state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
        EXPECT_TRUE(
            entry::addEntry(run.state, {.date = 42130, .item = "one", .amount = 1}, "", &run.view));
        EXPECT_TRUE(entry::addEntry(
            run.state, {.date = 42131, .item = "two", .amount = 2.5, .hasVoucher = true},
            kPhotoA + "|||" + kPhotoB, &run.view));
        EXPECT_TRUE(entry::addEntry(run.state, {.date = 42132, .item = "three", .amount = 4}, "",
                                    &run.view));
        EXPECT_TRUE(run.state.tables.closeAll());
        return disk;
    }

    // The ledger as a fresh start reads it, its table checked clean.
    std::optional<std::vector<Seen>> look(MemoryFileSystem& disk) {
        Run run(*this, disk);
        // Opening finishes or drops what a crash interrupted, as a start does.
        if (ledger::openLedger(run.state, 1, run.view) != ledger::OpenLedgerResult::Opened)
            return std::nullopt;
        const auto table = folder_ / "data/家庭.edb";
        store::TableCheck check = store::checkTable(disk, table, tables::kStorePassword);
        for (const auto& problem : check.problems) ADD_FAILURE() << problem;
        if (!check.readable || !check.problems.empty()) return std::nullopt;
        const LedgerRows& rows = *run.state.currentLedger.rows;
        std::vector<Seen> seen;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const auto vouchers = entry::readStoredVouchers(run.state, row);
            if (!vouchers) return std::nullopt;
            seen.push_back({rows.values(row), *vouchers});
        }
        return seen;
    }

    void crashTest(const std::string& name, const std::function<bool(Run&)>& flow) {
        const MemoryFileSystem before = household();
        auto act = [&](MemoryFileSystem& disk) {
            Run run(*this, disk);
            if (ledger::openLedger(run.state, 1, run.view) != ledger::OpenLedgerResult::Opened)
                return false;
            return flow(run);
        };
        MemoryFileSystem beforeCopy(before);
        const auto seenBefore = look(beforeCopy);
        MemoryFileSystem afterDisk(before);
        ASSERT_TRUE(act(afterDisk));
        MemoryFileSystem afterCopy(afterDisk);
        const auto seenAfter = look(afterCopy);
        ASSERT_TRUE(seenBefore && seenAfter);
        ASSERT_NE(*seenBefore, *seenAfter) << name << " changes nothing";
        auto judge = [&](MemoryFileSystem& disk) {
            const auto seen = look(disk);
            if (!seen) return Found::Neither;
            if (*seen == *seenAfter) return Found::After;
            return *seen == *seenBefore ? Found::Before : Found::Neither;
        };
        const auto counts = CrashHarness::run(name, before, act, judge);
        EXPECT_EQ(counts.bad, 0);
        EXPECT_GT(counts.crashes, 0);
        EXPECT_GT(counts.errors, 0);
    }

    TemporaryFolder folder_;
    FixedClock clock_{42136.5};
};

TEST_F(EntryCrashTest, AddingAnEntryWithPictures) {
    crashTest("add entry", [](Run& run) {
        entry::AddEntryForm form = entry::newAddEntryForm(run.state);
        form.item.text = gbk("餐饮");
        form.member.text = gbk("妈妈");
        form.amount = "12.345";
        form.note = "dinner";
        entry::VoucherStripModel vouchers({kPhotoB});
        return entry::addEntryFromForm(run.state, form, vouchers, run.screens) ==
               entry::AddEntryResult::Added;
    });
}

// The disk fills up at each step of adding an entry with a picture (a small
// one kept in the change log, a large one written into the files at once):
// what the window said is what the next start finds, and once there is room
// again the same window adds the entry, once, whatever the first try said.
TEST_F(EntryCrashTest, AFullDiskAtEachStepOfAnAddIsToldAsItIs) {
    const MemoryFileSystem before = household();
    MemoryFileSystem beforeCopy(before);
    const auto seenBefore = look(beforeCopy);
    ASSERT_TRUE(seenBefore);
    const std::string large = "\xFF\xD8\xFF large" + std::string(1500 * 1024, 'L');
    for (const std::string& picture : {kPhotoB, large}) {
        auto add = [&](Run& run) {
            entry::AddEntryForm form = entry::newAddEntryForm(run.state);
            form.item.text = gbk("餐饮");
            form.amount = "12.5";
            entry::VoucherStripModel vouchers({picture});
            return entry::addEntryFromForm(run.state, form, vouchers, run.screens) ==
                   entry::AddEntryResult::Added;
        };
        auto withOneMore = [&](const std::vector<Seen>& seen) {
            MemoryFileSystem disk(before);
            Run run(*this, disk);
            EXPECT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
            EXPECT_TRUE(add(run));
            EXPECT_TRUE(run.state.tables.closeAll());
            auto after = look(disk);
            return after && after->size() == seen.size() + 1 ? after->back() : Seen{};
        };
        const Seen added = withOneMore(*seenBefore);
        long steps = 0;
        {
            MemoryFileSystem disk(before);
            Run run(*this, disk);
            ASSERT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
            const long opened = disk.steps();
            ASSERT_TRUE(add(run));
            steps = disk.steps() - opened;
        }
        int refused = 0;
        for (long step = 0; step <= steps; ++step) {
            SCOPED_TRACE("full from step " + std::to_string(step) + " of " + std::to_string(steps) +
                         ", picture of " + std::to_string(picture.size()));
            MemoryFileSystem disk(before);
            Run run(*this, disk);
            ASSERT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
            disk.fillUpAt(disk.steps() + step);
            const bool told = add(run);
            refused += told ? 0 : 1;
            MemoryFileSystem now(disk);  // a start of the program now, with room
            const auto seen = look(now);
            ASSERT_TRUE(seen);
            std::vector<Seen> expected = *seenBefore;
            if (told) expected.push_back(added);
            EXPECT_EQ(*seen, expected) << (told ? "said added" : "said failed");
            // Room again: a script that retries what failed adds it once.
            disk.roomIsBack();
            if (!told) {
                EXPECT_TRUE(add(run)) << "refused with room again";
            }
            EXPECT_TRUE(run.state.tables.closeAll());
            const auto last = look(disk);
            ASSERT_TRUE(last);
            expected = *seenBefore;
            expected.push_back(added);
            EXPECT_EQ(*last, expected);
        }
        EXPECT_GT(refused, 0);
    }
}

// A table cut by a byte: the program opens a ledger to write, so opening it
// repairs the table (the damaged files copied aside first) and tells the user
// what was done in a message box, once.
TEST_F(EntryCrashTest, ADamagedTableIsToldWhenReadAndWhenRepaired) {
    MemoryFileSystem disk = household();
    {
        auto file = disk.open(folder_ / "data/家庭.edb", store::OpenMode::ReadWrite);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->truncate(*file->size() - 1));
    }
    Run run(*this, disk);
    ASSERT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
    EXPECT_EQ(run.state.currentLedger.rows->size(), 2u);
    auto told = [&](MessageIcon icon, const std::string& start) {
        return std::count_if(
            run.user.messages.begin(), run.user.messages.end(), [&](const Message& message) {
                return message.icon == icon && message.title == tables::kRepairTitle &&
                       message.text.starts_with(start);
            });
    };
    EXPECT_EQ(told(MessageIcon::Warning, tables::kNeedsRepairPrefix), 0);
    EXPECT_EQ(told(MessageIcon::Information, tables::kRepairedPrefix), 1);
    EXPECT_TRUE(
        entry::addEntry(run.state, {.date = 42133, .item = "four", .amount = 8}, "", &run.view));
    EXPECT_EQ(told(MessageIcon::Information, tables::kRepairedPrefix), 1);
    EXPECT_EQ(run.state.currentLedger.rows->size(), 3u);
}

TEST_F(EntryCrashTest, ChangingAnEntryAndItsPictures) {
    crashTest("change entry", [](Run& run) {
        run.user.windowVisits.push_back([](WindowKind, WindowModel& model) {
            auto& window = dynamic_cast<entry::EntryWindowModel&>(model);
            window.form().amount = "30";
            window.form().amountTyped = true;
            window.form().item.text = gbk("餐饮");
            window.vouchers().removeAtPosition();  // A goes
            window.vouchers().append(kPhotoA + "again");
            window.save();
        });
        return entry::openEntryWindow(run.state, 1, entry::EntryOpener::Modify, run.screens) ==
               entry::EntryWindowModel::Outcome::Saved;
    });
}

TEST_F(EntryCrashTest, DeletingTheMiddleEntry) {
    crashTest("delete entry",
              [](Run& run) { return entry::deleteSelectedEntry(run.state, 1, run.view); });
}

TEST_F(EntryCrashTest, ClearingEveryEntry) {
    crashTest("clear entries",
              [](Run& run) { return entry::clearAllEntries(run.state, 3, run.view); });
}

}  // namespace
}  // namespace qinghe
