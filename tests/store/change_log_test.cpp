#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/standard_messages.h"
#include "store/change_log.h"
#include "store/table_check.h"
#include "store/table_file.h"
#include "store/table_store.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/scripted_user.h"
#include "tests/support/stored_rows.h"

namespace qinghe::store {
namespace {

namespace field = tables::field;
using tables::entryFields;
using tables::kStorePassword;

using testing::MemoryFileSystem;
using Fault = MemoryFileSystem::Fault;

using Row = testing::StoredRow;

bool contains(const std::vector<std::string>& texts, std::string_view part) {
    for (const auto& text : texts) {
        if (text.find(part) != std::string::npos) return true;
    }
    return false;
}

// An enciphered entry table with values in its companion file, on a disk in
// memory that knows what a power loss keeps.
class ChangeLogTest : public ::testing::Test {
  protected:
    const std::filesystem::path path_ = "/log/entries.edb";

    MemoryFileSystem sixEntries(double created = 42136.0) {
        MemoryFileSystem disk;
        FixedClock clock{created};
        TableStore store(disk, clock);
        EXPECT_TRUE(store.createTable(path_, entryFields(), kStorePassword));
        EXPECT_TRUE(store.open(path_, "", kStorePassword));
        for (int i = 1; i <= 6; ++i) {
            EXPECT_TRUE(store.append() && store.write(field::kAmount, i * 1.25) &&
                        store.write(field::kNote, "note " + std::to_string(i)) &&
                        store.write(field::kVouchers, Bytes{std::string(300 * i, char('a' + i))}));
        }
        EXPECT_TRUE(store.commit());
        return disk;
    }

    // The rows an open finds, and what it found wrong.
    std::optional<std::vector<Row>> rows(MemoryFileSystem& disk, Access access = Access::ReadWrite,
                                         std::vector<std::string>* findings = nullptr) {
        TableStore store(disk, clock_);
        if (!store.open(path_, "", kStorePassword, access)) return std::nullopt;
        if (findings) *findings = store.currentFile()->findings();
        return testing::allRows(store);
    }

    void expectClean(MemoryFileSystem& disk) {
        const TableCheck check = checkTable(disk, path_, kStorePassword);
        EXPECT_TRUE(check.readable);
        for (const auto& problem : check.problems) ADD_FAILURE() << problem;
    }

    FixedClock clock_{42136.0};
};

// Changes made and flushed to the log while the table stays open: its own
// files are written but not flushed.
struct Change {
    const char* name;
    std::function<bool(TableStore&)> make;
    // Too large for the log's area: the table's files are written at once.
    bool writtenAtOnce = false;
};

const Change kChanges[] = {
    {"append",
     [](TableStore& s) {
         return s.append() && s.write(field::kAmount, 99.5) &&
                s.write(field::kNote, std::string("new")) &&
                s.write(field::kVouchers, Bytes{std::string(1100, 'v')}) && s.commit();
     }},
    {"change",
     [](TableStore& s) {
         return s.goTo(2) && s.write(field::kNote, std::string("changed")) &&
                s.write(field::kVouchers, Bytes{std::string(1400, 'z')}) && s.commit();
     }},
    {"purge", [](TableStore& s) { return s.goTo(3) && s.remove() && s.purge(); }},
    {"two changes",
     [](TableStore& s) {
         return s.goTo(1) && s.write(field::kAmount, -1.0) && s.commit() && s.append() &&
                s.write(field::kNote, std::string("second")) && s.commit();
     }},
    {"a change, then one larger than the log",
     [](TableStore& s) {
         return s.goTo(1) && s.write(field::kAmount, -2.0) && s.commit() && s.goTo(5) &&
                s.write(field::kVouchers, Bytes{std::string(1500000, 'L')}) && s.commit();
     },
     true},
};

TEST_F(ChangeLogTest, APowerLossAfterTheLogsFlushLosesNoChange) {
    for (const Change& change : kChanges) {
        SCOPED_TRACE(change.name);
        MemoryFileSystem disk = sixEntries();
        const auto before = disk.contents(path_);
        TableStore store(disk, clock_);
        ASSERT_TRUE(store.open(path_, "", kStorePassword));
        ASSERT_TRUE(change.make(store));
        MemoryFileSystem present(disk);  // as if every write had lasted
        const auto expected = rows(present);
        ASSERT_TRUE(expected);
        int lostWrites = 0;
        for (unsigned seed = 1; seed <= 8; ++seed) {
            disk.setFault(Fault::PowerLoss, disk.steps() + 1, seed);
            MemoryFileSystem after = disk.afterCrash();
            ASSERT_TRUE(after.contents(TableFile::logPath(path_)));
            if (after.contents(path_) != present.contents(path_)) ++lostWrites;
            std::vector<std::string> findings;
            EXPECT_EQ(rows(after, Access::ReadWrite, &findings), expected) << "seed " << seed;
            EXPECT_TRUE(contains(findings, "interrupted changes were finished"));
            // Replayed, flushed and gone.
            EXPECT_FALSE(after.contents(TableFile::logPath(path_)));
            EXPECT_EQ(rows(after), expected);
            expectClean(after);
        }
        // The table's own writes were in fact lost, wholly or in part.
        EXPECT_GT(lostWrites, 0);
        EXPECT_NE(before, present.contents(path_));
    }
}

// Between a change and the next checkpoint the table's files are left as
// they were: the change is in memory, where this table's reads find it, and
// in the log, where another open finds it. A kill then loses nothing, and
// A checkpoint leaves files that hold every change without the log.
TEST_F(ChangeLogTest, ChangesWaitInMemoryAndTheLogUntilTheFilesAreWritten) {
    const auto companionPath = CompanionFile::pathFor(path_);
    for (const Change& change : kChanges) {
        SCOPED_TRACE(change.name);
        MemoryFileSystem disk = sixEntries();
        const auto data = disk.contents(path_);
        const auto companion = disk.contents(companionPath);
        ASSERT_TRUE(data && companion);
        TableStore store(disk, clock_);
        ASSERT_TRUE(store.open(path_, "", kStorePassword));
        ASSERT_TRUE(change.make(store));
        MemoryFileSystem killed(disk);  // the process ends here
        const auto expected = rows(killed);
        ASSERT_TRUE(expected);
        EXPECT_EQ(disk.contents(path_) == data, !change.writtenAtOnce);
        EXPECT_EQ(disk.contents(companionPath) == companion, !change.writtenAtOnce);

        EXPECT_EQ(testing::allRows(store), *expected);
        const auto before = disk.contents(path_);
        EXPECT_EQ(rows(disk, Access::ReadOnly), expected);
        EXPECT_TRUE(disk.contents(path_) == before);

        ASSERT_TRUE(store.checkpoint());
        EXPECT_FALSE(disk.contents(path_) == data);
        // A power loss now: the files alone, without the log, hold it all.
        disk.setFault(Fault::PowerLoss, disk.steps() + 1, 4);
        MemoryFileSystem after = disk.afterCrash();
        ASSERT_TRUE(after.remove(TableFile::logPath(path_)));
        EXPECT_EQ(rows(after), expected);
        expectClean(after);
    }
}

// The program tells the user when closing its tables could not write
// everything into their files: a warning, since the changes are made (their
// log finishes them at the next open).
TEST_F(ChangeLogTest, AFailedCloseOfTheTablesIsToldToTheUser) {
    MemoryFileSystem disk = sixEntries();
    TableStore store(disk, clock_);
    ASSERT_TRUE(store.open(path_, "", kStorePassword));
    ASSERT_TRUE(store.goTo(1) && store.write(field::kAmount, 2.5) && store.commit());
    testing::ScriptedUser user;
    disk.setFault(Fault::WriteError, disk.steps());
    EXPECT_FALSE(tables::closeAllTables(store, user));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text, tables::kTablesNotWritten);
    EXPECT_EQ(user.messages[0].title, tables::kTablesNotWrittenTitle);
    EXPECT_EQ(user.messages[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(store.hasCurrentTable());
    EXPECT_TRUE(tables::closeAllTables(store, user));  // nothing left to close
    EXPECT_EQ(user.messages.size(), 1u);
}

// Closing writes the logged changes into the table's files. A failed write
// or flush at any step of it: the close says so and the log, kept, finishes
// the changes at the next open; a close that says it worked left files that
// hold every change without the log.
TEST_F(ChangeLogTest, AFailedCloseIsToldAndLosesNoChange) {
    int failed = 0;
    for (Fault fault : {Fault::WriteError, Fault::FlushError}) {
        for (long step = 0;; ++step) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(fault) << " step " << step);
            MemoryFileSystem disk = sixEntries();
            std::optional<std::vector<Row>> changed;
            bool written = false;
            {
                TableStore store(disk, clock_);
                ASSERT_TRUE(store.open(path_, "", kStorePassword));
                ASSERT_TRUE(store.goTo(2) && store.write(field::kAmount, -7.5) &&
                            store.write(field::kVouchers, Bytes{std::string(1200, 'w')}) &&
                            store.commit());
                changed = testing::allRows(store);
                disk.setFault(fault, disk.steps() + step);
                written = store.closeAll();
            }
            if (!disk.faulted()) {
                EXPECT_TRUE(written);
                break;  // past the close's last step
            }
            if (written) {
                MemoryFileSystem files(disk);
                ASSERT_TRUE(files.remove(TableFile::logPath(path_)));
                EXPECT_EQ(rows(files), changed);
            } else {
                ++failed;
                EXPECT_TRUE(disk.contents(TableFile::logPath(path_)));
            }
            EXPECT_EQ(rows(disk), changed);
            expectClean(disk);
        }
    }
    EXPECT_GT(failed, 0);
}

TEST_F(ChangeLogTest, AReadOnlyOpenReadsPendingChangesWithoutWritingThem) {
    MemoryFileSystem disk = sixEntries();
    TableStore store(disk, clock_);
    ASSERT_TRUE(store.open(path_, "", kStorePassword));
    ASSERT_TRUE(kChanges[0].make(store) && kChanges[1].make(store));
    MemoryFileSystem present(disk);
    const auto expected = rows(present);
    disk.setFault(Fault::PowerLoss, disk.steps() + 1, 3);
    MemoryFileSystem after = disk.afterCrash();
    const auto files = after.files();
    const auto data = after.contents(path_);
    const auto log = after.contents(TableFile::logPath(path_));
    ASSERT_TRUE(log);

    const TableCheck check = checkTable(after, path_, kStorePassword);
    EXPECT_TRUE(check.problems.empty());
    EXPECT_TRUE(contains(check.notes, "pending in the change log"));
    std::vector<std::string> findings;
    EXPECT_EQ(rows(after, Access::ReadOnly, &findings), expected);
    EXPECT_TRUE(contains(findings, "interrupted changes are pending"));
    // Nothing written: the log still waits for a writer.
    EXPECT_EQ(after.files(), files);
    EXPECT_TRUE(after.contents(path_) == data);
    EXPECT_TRUE(after.contents(TableFile::logPath(path_)) == log);
    EXPECT_EQ(rows(after), expected);
}

TEST_F(ChangeLogTest, ATornRecordEndsTheLogAndIsNeverActedOn) {
    // The second change's record is torn by the crash: the first is replayed,
    // the second is not there at all (its head is whole, its checksum fails).
    const MemoryFileSystem start = sixEntries();
    long recordStep = -1;
    std::optional<std::vector<Row>> afterFirst;
    {
        MemoryFileSystem disk(start);
        TableStore store(disk, clock_);
        ASSERT_TRUE(store.open(path_, "", kStorePassword));
        ASSERT_TRUE(kChanges[1].make(store));
        MemoryFileSystem present(disk);
        afterFirst = rows(present);
        ASSERT_TRUE(store.append() && store.write(field::kNote, std::string("torn")));
        // The next step takes the room of the appended record in the data
        // file, the one after writes the record.
        recordStep = disk.steps() + 1;
        ASSERT_TRUE(store.commit());
    }
    {
        MemoryFileSystem disk(start);
        disk.setFault(Fault::Torn, recordStep);  // half the record lands
        {
            TableStore store(disk, clock_);
            ASSERT_TRUE(store.open(path_, "", kStorePassword));
            ASSERT_TRUE(kChanges[1].make(store));
            ASSERT_TRUE(store.append() && store.write(field::kNote, std::string("torn")));
            EXPECT_FALSE(store.commit());
        }
        MemoryFileSystem after = disk.afterCrash();
        const auto log = after.contents(TableFile::logPath(path_));
        ASSERT_TRUE(log);
        // Something of the second record is in the log.
        EXPECT_NE(log->find("QHLR"), log->rfind("QHLR"));
        EXPECT_EQ(rows(after), afterFirst);
        expectClean(after);
    }
}

// A full disk leaves an empty log where a change failed to start one, and a
// table built under a temporary name leaves it and its log: they go at the
// next open for writing (a reader leaves them), and the change a full disk
// refused works once there is room.
TEST_F(ChangeLogTest, WhatAFailedChangeLeftGoesAtTheNextOpen) {
    MemoryFileSystem disk = sixEntries();
    std::filesystem::path building = path_;
    building += ".new";
    const std::filesystem::path leftovers[] = {TableFile::logPath(path_), building,
                                               TableFile::logPath(building)};
    {
        TableStore store(disk, clock_);
        ASSERT_TRUE(store.open(path_, "", kStorePassword));
        ASSERT_TRUE(store.checkpoint());
        disk.fillUpAt(disk.steps());
        ASSERT_TRUE(store.append() && store.write(field::kVouchers, Bytes{std::string(9000, 'z')}));
        EXPECT_FALSE(store.commit());
        EXPECT_TRUE(disk.refusedForRoom());
        EXPECT_EQ(store.recordCount(), 6);
        disk.roomIsBack();
    }
    for (const auto& path : leftovers) {
        if (!disk.exists(path)) {
            ASSERT_TRUE(disk.open(path, store::OpenMode::Create));
        }
    }
    ASSERT_EQ(disk.contents(leftovers[0]), "");
    {
        TableStore reader(disk, clock_);
        reader.setReadOnly(true);
        ASSERT_TRUE(reader.open(path_, "", kStorePassword));
        for (const auto& path : leftovers) {
            EXPECT_TRUE(disk.exists(path)) << path;
        }
    }
    TableStore store(disk, clock_);
    ASSERT_TRUE(store.open(path_, "", kStorePassword));
    for (const auto& path : leftovers) {
        EXPECT_FALSE(disk.exists(path)) << path;
    }
    ASSERT_TRUE(store.append() && store.write(field::kVouchers, Bytes{std::string(9000, 'z')}) &&
                store.commit());
    EXPECT_EQ(store.recordCount(), 7);
    ASSERT_TRUE(store.closeAll());
    expectClean(disk);
}

TEST_F(ChangeLogTest, ALogThatDoesNotFitTheTableIsSetAside) {
    struct Case {
        const char* name;
        // The data file put in the table's place after the crash.
        std::function<std::string()> replacement;
    };
    const Case cases[] = {
        {"another table",
         [&] {
             MemoryFileSystem other = sixEntries(40000.0);
             return *other.contents(path_);
         }},
        {"an older copy of the table",
         [&] {
             MemoryFileSystem older = sixEntries();
             TableStore store(older, clock_);
             EXPECT_TRUE(store.open(path_, "", kStorePassword) && store.goTo(6) && store.remove() &&
                         store.purge());
             EXPECT_TRUE(store.closeAll());
             return *older.contents(path_);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem disk = sixEntries();
        TableStore store(disk, clock_);
        ASSERT_TRUE(store.open(path_, "", kStorePassword));
        ASSERT_TRUE(kChanges[0].make(store) && kChanges[3].make(store));
        MemoryFileSystem after(disk);  // a crash: the log stays
        const std::string bytes = c.replacement();
        {
            auto file = after.open(path_, OpenMode::Create);
            ASSERT_TRUE(file && file->writeAt(0, bytes.data(), bytes.size()) && file->sync());
        }
        MemoryFileSystem alone(after);
        ASSERT_TRUE(alone.remove(TableFile::logPath(path_)));
        const auto expected = rows(alone);
        ASSERT_TRUE(expected);
        const auto log = after.contents(TableFile::logPath(path_));

        const TableCheck check = checkTable(after, path_, kStorePassword);
        EXPECT_TRUE(contains(check.notes, "does not fit the table"));
        std::vector<std::string> findings;
        EXPECT_EQ(rows(after, Access::ReadOnly, &findings), expected);
        EXPECT_TRUE(contains(findings, "does not fit the table is ignored"));
        EXPECT_EQ(rows(after, Access::ReadWrite, &findings), expected);
        EXPECT_TRUE(contains(findings, "set aside as entries.edb-log.stale"));
        EXPECT_FALSE(after.contents(TableFile::logPath(path_)));
        EXPECT_TRUE(after.contents(TableFile::staleLogPath(path_)) == log);
        EXPECT_EQ(rows(after), expected);
    }
}

// Entries with large values fill the log past its area: it starts a new epoch
// (the table's files flushed first) while changes go on. A crash anywhere,
// the checkpoints included, leaves the first k entries, each whole, and no
// fewer than were reported done; a clean close leaves no log.
TEST_F(ChangeLogTest, ManyChangesCheckpointAndCloseWithoutLosingAny) {
    constexpr int kAdded = 7;
    const MemoryFileSystem start = sixEntries();
    const auto base = [&] {
        MemoryFileSystem copy(start);
        return *rows(copy);
    }();
    auto voucher = [](int i) { return std::string(200000 + i, char('A' + i)); };
    int acknowledged = 0;
    auto act = [&](MemoryFileSystem& disk) {
        acknowledged = 0;
        TableStore store(disk, clock_);
        if (!store.open(path_, "", kStorePassword)) return;
        for (int i = 0; i < kAdded; ++i) {
            if (!(store.append() && store.write(field::kNote, "big " + std::to_string(i)) &&
                  store.write(field::kVouchers, Bytes{voucher(i)}) && store.commit()))
                return;
            acknowledged = i + 1;
        }
    };
    // How many of the added entries the disk holds, each whole; -1 if not so.
    auto added = [&](MemoryFileSystem& disk) {
        const auto found = rows(disk);
        if (!found || found->size() < base.size() ||
            !std::equal(base.begin(), base.end(), found->begin()))
            return -1;
        for (std::size_t i = base.size(); i < found->size(); ++i) {
            const int k = static_cast<int>(i - base.size());
            const Row& row = (*found)[i];
            if (row.note != "big " + std::to_string(k) || row.vouchers != voucher(k)) return -1;
        }
        return static_cast<int>(found->size() - base.size());
    };

    MemoryFileSystem clean(start);
    act(clean);
    ASSERT_EQ(acknowledged, kAdded);
    EXPECT_FALSE(clean.contents(TableFile::logPath(path_)));
    EXPECT_EQ(added(clean), kAdded);
    expectClean(clean);
    // Every entry's record and value lasted through the close.
    MemoryFileSystem closed(clean);
    closed.setFault(Fault::PowerLoss, closed.steps() + 1, 5);
    MemoryFileSystem lasting = closed.afterCrash();
    EXPECT_EQ(added(lasting), kAdded);

    for (long step = 0; step < clean.steps(); ++step) {
        for (Fault fault : {Fault::Kill, Fault::Torn, Fault::PowerLoss}) {
            for (unsigned seed = 1; seed <= (fault == Fault::PowerLoss ? 3u : 1u); ++seed) {
                MemoryFileSystem disk(start);
                disk.setFault(fault, step, seed);
                act(disk);
                MemoryFileSystem after = disk.afterCrash();
                const int found = added(after);
                EXPECT_GE(found, acknowledged) << "step " << step << " fault " << int(fault);
                expectClean(after);
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

}  // namespace
}  // namespace qinghe::store
