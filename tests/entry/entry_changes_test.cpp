#include "entry/entry_changes.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/temporary_folder.h"
#include "entry/entry_list.h"
#include "entry/entry_rows.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "tests/support/flush_failing_disk.h"
#include "tests/support/ledger_data.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::gbk;

std::vector<EntryValues> all(const LedgerRows& rows) {
    std::vector<EntryValues> values;
    for (std::size_t i = 0; i < rows.size(); ++i) values.push_back(rows.values(i));
    return values;
}

// The open ledger's rows in memory against a fresh walk of its table.
class EntryChangesTest : public ::testing::Test {
  protected:
    EntryChangesTest() : state_(RunDirectory(folder_.path()), files_, clock_, user_) {
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
        shown_ = all(*view_.entries);
    }

    // What a fresh start reads from the file: read-only, as the table is
    // still open here.
    std::vector<EntryValues> walked() {
        testing::ScriptedUser user;
        AppState fresh(RunDirectory(folder_.path()), files_, clock_, user);
        fresh.tables.setReadOnly(true);
        auto rows = entry::loadLedgerRows(fresh, folder_ / "data/家庭.edb");
        return rows ? all(*rows) : std::vector<EntryValues>{};
    }

    // Follows the view's row notices on a copy of the list, as a list model does.
    void followView(const LedgerRows& rows) {
        for (const auto& change : view_.changes) {
            switch (change.kind) {
                case testing::RecordingView::Change::Added:
                    shown_.insert(shown_.begin() + change.row, rows.values(change.row));
                    break;
                case testing::RecordingView::Change::Changed:
                    shown_[change.row] = rows.values(change.row);
                    break;
                case testing::RecordingView::Change::Removed:
                    shown_.erase(shown_.begin() + change.row);
                    break;
            }
        }
        view_.changes.clear();
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    testing::ScriptedUser user_;
    AppState state_;
    testing::RecordingView view_;
    std::vector<EntryValues> shown_;
};

TEST_F(EntryChangesTest, RandomChangesKeepTheRowsTheTableAndTheListsAlike) {
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::vector<std::string> items = {gbk("工资"), gbk("餐饮"), "",
                                            gbk(std::string(30, 'x') + "一二三四五六七八九十一")};
    const std::vector<std::string> members = {gbk("爸爸"), gbk("妈妈"), "",
                                              gbk("一二三四五六七八九十一")};
    auto randomValues = [&] {
        EntryValues values;
        values.date = 40000 + pick(5000) + (pick(2) ? 0.25 : 0.0);
        values.direction = directionFromStored(pick(4));  // 1 income; 0, 2 and 3 expense
        values.item = items[pick(static_cast<int>(items.size()))];
        values.amount = (pick(200000) - 50000) / 100.0 + (pick(3) == 0 ? 0.005 : 0.0);
        values.member = members[pick(static_cast<int>(members.size()))];
        values.note = std::string(pick(600), 'n');  // beyond 512 bytes: cut as stored
        values.hasVoucher = pick(2) == 1;
        return values;
    };
    int steps[4] = {};
    for (int step = 0; step < 400; ++step) {
        const LedgerRows& rows = *state_.currentLedger.rows;
        const int kind = rows.empty() ? 0 : pick(20);
        SCOPED_TRACE(step);
        if (kind < 9) {
            ASSERT_TRUE(entry::addEntry(state_, randomValues(),
                                        pick(3) == 0 ? std::string(700, 'v') : "", &view_));
            ++steps[0];
        } else if (kind < 15) {
            const auto row = static_cast<std::size_t>(pick(static_cast<int>(rows.size())));
            std::optional<std::string> vouchers;
            if (pick(2)) vouchers = std::string(pick(1200), 'w');
            ASSERT_TRUE(entry::changeEntry(state_, row, randomValues(), vouchers, &view_));
            ++steps[1];
        } else if (kind < 19) {
            const auto row = static_cast<std::size_t>(pick(static_cast<int>(rows.size())));
            ASSERT_TRUE(entry::deleteEntry(state_, row, &view_));
            ++steps[2];
        } else {
            // Another ledger made and deleted meanwhile, as the ledger page does.
            ASSERT_EQ(ledger::createLedger(state_, gbk("旅行"), ""),
                      ledger::CreateLedgerResult::Created);
            user_.answers = {MessageAnswer::Ok};
            ASSERT_TRUE(ledger::deleteLedger(state_, 2, view_));
            ++steps[3];
        }
        const LedgerRows& now = *state_.currentLedger.rows;
        followView(now);
        const auto inMemory = all(now);
        ASSERT_EQ(inMemory, walked());
        ASSERT_EQ(shown_, inMemory);
        // The totals are exact: as a fresh sum of what is there.
        ExactSum income, expense;
        for (const auto& values : inMemory)
            (values.direction == Direction::Income ? income : expense).add(values.amount);
        ASSERT_EQ(now.incomeTotal(), income.value());
        ASSERT_EQ(now.expenseTotal(), expense.value());
    }
    EXPECT_GT(steps[1], 50);
    EXPECT_GT(steps[2], 30);
    EXPECT_GT(steps[3], 5);

    ASSERT_TRUE(entry::clearEntries(state_, &view_));
    EXPECT_TRUE(state_.currentLedger.rows->empty());
    EXPECT_TRUE(walked().empty());
}

TEST_F(EntryChangesTest, TextsAreKeptAsTheTableKeepsThem) {
    EntryValues values;
    values.item = gbk(std::string(49, 'a') + "家");  // 51 bytes: the character does not fit
    values.member = gbk("一二三四五六七八九十一");   // 22 bytes in a field of 20
    ASSERT_TRUE(entry::addEntry(state_, values, "", &view_));
    const LedgerRows& rows = *state_.currentLedger.rows;
    EXPECT_EQ(rows.item(0), std::string(49, 'a'));
    EXPECT_EQ(rows.member(0), gbk("一二三四五六七八九十"));
    EXPECT_EQ(all(rows), walked());
}

// A failed write or flush at any step of a change: the change either says it
// worked and the rows, the lists and the table have it, or it says it failed
// and nothing changed in memory (while the table reads as before or, when the
// disk may hold part of it, is finished on the next open).
TEST(EntryChangesFailures, AFailedWriteAtAnyStepLeavesRowsAndTableAlike) {
    TemporaryFolder folder;
    FixedClock clock{42136.5};
    using Fault = testing::MemoryFileSystem::Fault;
    const std::function<bool(AppState&, testing::RecordingView&)> changes[] = {
        [](AppState& state, testing::RecordingView& view) {
            return entry::addEntry(state, {.amount = 3}, "", &view);
        },
        [](AppState& state, testing::RecordingView& view) {
            return entry::addEntry(state, {.amount = 5}, std::string(1300, 'u'), &view);
        },
        [](AppState& state, testing::RecordingView& view) {
            return entry::changeEntry(state, 1, {.amount = 4}, std::string("x"), &view);
        },
        [](AppState& state, testing::RecordingView& view) {
            return entry::deleteEntry(state, 0, &view);
        },
        [](AppState& state, testing::RecordingView& view) {
            return entry::clearEntries(state, &view);
        },
    };
    // A ledger with two entries, open.
    const auto prepare = [](AppState& state, testing::RecordingView& view) {
        ASSERT_EQ(ledger::createLedger(state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        ASSERT_EQ(ledger::openLedger(state, 1, view), ledger::OpenLedgerResult::Opened);
        ASSERT_TRUE(entry::addEntry(state, {.amount = 1}, "", &view));
        ASSERT_TRUE(entry::addEntry(state, {.amount = 2}, std::string(900, 'v'), &view));
    };
    int failures = 0;
    for (std::size_t which = 0; which < std::size(changes); ++which) {
        // The steps the change takes on a disk that does not fail.
        long stepsTaken = 0;
        {
            testing::MemoryFileSystem disk;
            testing::ScriptedUser user;
            AppState state(RunDirectory(folder.path()), disk, clock, user);
            testing::RecordingView view;
            ASSERT_NO_FATAL_FAILURE(prepare(state, view));
            const long before = disk.steps();
            ASSERT_TRUE(changes[which](state, view));
            stepsTaken = disk.steps() - before;
            ASSERT_GT(stepsTaken, 0);
        }
        for (Fault fault : {Fault::WriteError, Fault::FlushError}) {
            // Each of those steps fails in turn.
            for (long step = 0; step < stepsTaken; ++step) {
                SCOPED_TRACE(::testing::Message() << "change " << which << " step " << step);
                testing::MemoryFileSystem disk;
                testing::ScriptedUser user;
                AppState state(RunDirectory(folder.path()), disk, clock, user);
                testing::RecordingView view;
                ASSERT_NO_FATAL_FAILURE(prepare(state, view));
                const auto before = all(*state.currentLedger.rows);
                disk.setFault(fault, disk.steps() + step);
                view.changes.clear();
                const bool done = changes[which](state, view);
                if (!disk.faulted()) continue;  // not a flush
                const auto inMemory = all(*state.currentLedger.rows);
                testing::MemoryFileSystem after(disk);
                testing::ScriptedUser freshUser;
                AppState fresh(RunDirectory(folder.path()), after, clock, freshUser);
                auto reread = entry::loadLedgerRows(fresh, folder / "data/家庭.edb");
                ASSERT_TRUE(reread);
                if (done) {
                    EXPECT_EQ(inMemory, all(*reread));
                    // Told the one row, or made again after the table was.
                    EXPECT_TRUE(view.changes.size() == 1u ||
                                (view.changes.empty() && view.entries == state.currentLedger.rows));
                } else {
                    ++failures;
                    EXPECT_EQ(inMemory, before);
                    // What the user was told stays true after the next start.
                    EXPECT_EQ(all(*reread), before);
                    EXPECT_TRUE(view.changes.empty());
                }
                // The ledger goes on taking changes once the disk does.
                EXPECT_TRUE(entry::addEntry(state, {.amount = 9}, "", &view));
            }
        }
    }
    EXPECT_GT(failures, 10);
}

// A disk that keeps failing: the change is refused whatever the table could
// or could not be opened again with, and once the disk works the next change
// shows the rows the table holds, with the lists made from the same rows.
TEST(EntryChangesFailures, AfterADiskThatKeptFailingTheListsShowTheTableAgain) {
    TemporaryFolder folder;
    FixedClock clock{42136.5};
    testing::FlushFailingDisk disk;
    testing::ScriptedUser user;
    AppState state(RunDirectory(folder.path()), disk, clock, user);
    testing::RecordingView view;
    ASSERT_EQ(ledger::createLedger(state, gbk("家庭"), ""), ledger::CreateLedgerResult::Created);
    ASSERT_EQ(ledger::openLedger(state, 1, view), ledger::OpenLedgerResult::Opened);
    ASSERT_TRUE(entry::addEntry(state, {.amount = 1}, "", &view));

    const std::function<bool()> changes[] = {
        [&] { return entry::addEntry(state, {.amount = 2}, "", &view); },
        [&] { return entry::changeEntry(state, 0, {.amount = 3}, std::nullopt, &view); },
        [&] { return entry::deleteEntry(state, 0, &view); },
        [&] { return entry::clearEntries(state, &view); },
    };
    for (const auto& change : changes) {
        const auto before = all(*state.currentLedger.rows);
        disk.failFlushes = true;
        EXPECT_FALSE(change());
        disk.failFlushes = false;
        ASSERT_TRUE(entry::addEntry(state, {.amount = 4}, "", &view));
        auto expected = before;
        expected.push_back(all(*state.currentLedger.rows).back());
        EXPECT_EQ(all(*state.currentLedger.rows), expected);
        EXPECT_EQ(all(*view.entries), all(*state.currentLedger.rows));
        testing::ScriptedUser freshUser;
        AppState fresh(RunDirectory(folder.path()), disk, clock, freshUser);
        auto reread = entry::loadLedgerRows(fresh, folder / "data/家庭.edb");
        ASSERT_TRUE(reread);
        EXPECT_EQ(all(*reread), expected);
    }
}

}  // namespace
}  // namespace qinghe
