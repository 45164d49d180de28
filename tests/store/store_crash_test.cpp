#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "store/table_check.h"
#include "store/table_store.h"
#include "tables/schemas.h"
#include "tests/support/crash_harness.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/stored_rows.h"

namespace qinghe::store {
namespace {

namespace field = tables::field;
using tables::entryFields;
using tables::kStorePassword;

using testing::CrashHarness;
using testing::MemoryFileSystem;
using Found = CrashHarness::Found;

using Row = testing::StoredRow;

std::string voucherFor(int i) {
    return std::string(300 + 450 * (i % 3), char('a' + i));
}

// Each change of the table store under every fault at every step, on an
// enciphered entry table with values in its companion file.
class StoreCrashTest : public ::testing::Test {
  protected:
    const std::filesystem::path path_ = "/crash/entries.edb";

    MemoryFileSystem sixEntries() {
        MemoryFileSystem disk;
        TableStore store(disk, clock_);
        EXPECT_TRUE(store.createTable(path_, entryFields(), kStorePassword));
        EXPECT_TRUE(store.open(path_, "", kStorePassword));
        for (int i = 1; i <= 6; ++i) {
            EXPECT_TRUE(store.append() && store.write(field::kAmount, i * 1.25) &&
                        store.write(field::kNote, "note " + std::to_string(i)) &&
                        store.write(field::kVouchers, Bytes{voucherFor(i)}));
        }
        EXPECT_TRUE(store.commit());
        return disk;
    }

    // The rows the next open finds, checked clean after it; nothing when the
    // table cannot be opened or is damaged.
    std::optional<std::vector<Row>> rows(MemoryFileSystem& disk) {
        TableStore store(disk, clock_);
        if (!store.open(path_, "", kStorePassword)) return std::nullopt;
        std::vector<Row> found;
        store.first();
        for (int i = 0, n = store.recordCount(); i < n; ++i) {
            found.push_back(testing::currentRow(store));
            if (store.lastReadDamaged()) return std::nullopt;
            store.skip();
        }
        TableCheck check = checkTable(disk, path_, kStorePassword);
        for (const auto& problem : check.problems) ADD_FAILURE() << problem;
        if (!check.problems.empty()) return std::nullopt;
        return found;
    }

    void crashTest(const std::string& name, const MemoryFileSystem& before,
                   const std::function<bool(TableStore&)>& change) {
        auto act = [&](MemoryFileSystem& disk) {
            TableStore store(disk, clock_);
            return store.open(path_, "", kStorePassword) && change(store);
        };
        MemoryFileSystem beforeCopy(before);
        const auto rowsBefore = rows(beforeCopy);
        MemoryFileSystem afterDisk(before);
        ASSERT_TRUE(act(afterDisk));
        MemoryFileSystem afterCopy(afterDisk);
        const auto rowsAfter = rows(afterCopy);
        ASSERT_TRUE(rowsBefore && rowsAfter);
        ASSERT_NE(*rowsBefore, *rowsAfter);
        auto judge = [&](MemoryFileSystem& disk) {
            const auto found = rows(disk);
            if (!found) return Found::Neither;
            if (*found == *rowsAfter) return Found::After;
            return *found == *rowsBefore ? Found::Before : Found::Neither;
        };
        EXPECT_EQ(CrashHarness::run(name, before, act, judge).bad, 0);
    }

    FixedClock clock_{42136.0};
};

TEST_F(StoreCrashTest, AppendingAnEntryWithVouchers) {
    crashTest("append", sixEntries(), [](TableStore& store) {
        return store.append() && store.write(field::kAmount, 99.5) &&
               store.write(field::kNote, std::string("new")) &&
               store.write(field::kVouchers, Bytes{std::string(1100, 'v')}) && store.commit();
    });
}

TEST_F(StoreCrashTest, AppendingAnEntryWithoutVouchers) {
    crashTest("append without vouchers", sixEntries(), [](TableStore& store) {
        return store.append() && store.write(field::kAmount, 7.0) && store.commit();
    });
}

TEST_F(StoreCrashTest, ChangingAnEntryAndItsVouchers) {
    // A value overwritten in place is the case that must never read as half
    // old, half new.
    crashTest("change", sixEntries(), [](TableStore& store) {
        return store.goTo(2) && store.write(field::kAmount, -3.0) &&
               store.write(field::kNote, std::string("changed")) &&
               store.write(field::kVouchers, Bytes{std::string(1400, 'z')}) && store.commit();
    });
}

TEST_F(StoreCrashTest, RemovingAndPurgingAnEntry) {
    crashTest("purge", sixEntries(),
              [](TableStore& store) { return store.goTo(3) && store.remove() && store.purge(); });
}

TEST_F(StoreCrashTest, EmptyingTheTable) {
    crashTest("zap", sixEntries(), [](TableStore& store) { return store.zap(); });
}

}  // namespace
}  // namespace qinghe::store
