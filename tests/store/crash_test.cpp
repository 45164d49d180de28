#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "store/table_check.h"
#include "tables/schemas.h"
#include "tests/store/store_fixture.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/stored_rows.h"

namespace qinghe::store {
namespace {

namespace field = tables::field;
using tables::entryFields;
using tables::kStorePassword;

using testing::FaultyFileSystem;

using Row = testing::StoredRow;

std::string voucherFor(int i) {
    return std::string(300 + 450 * (i % 3), char('a' + i));
}

// Interrupts an operation at every change it makes to the disk (and with a
// torn last write), then opens what is left with the real disk: the table must
// read as before the operation or as after it, and check clean.
class CrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = folder_ / "entries.edb";
        TableStore store(real_, clock_);
        ASSERT_TRUE(store.create(path_, entryFields()));
        ASSERT_TRUE(store.open(path_, "", ""));
        ASSERT_TRUE(store.setPassword(kStorePassword));
        for (int i = 1; i <= 6; ++i) {
            ASSERT_TRUE(store.append());
            ASSERT_TRUE(store.write(field::kAmount, i * 1.25));
            ASSERT_TRUE(store.write(field::kNote, "note " + std::to_string(i)));
            ASSERT_TRUE(store.write(field::kVouchers, Bytes{voucherFor(i)}));
        }
        EXPECT_TRUE(store.closeAll());
        saveCopy();
    }

    void saveCopy() {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            std::ifstream in(entry.path(), std::ios::binary);
            saved_[entry.path().filename()] = {std::istreambuf_iterator<char>(in), {}};
        }
    }

    void restoreCopy() {
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            std::filesystem::remove(entry.path());
        for (const auto& [name, bytes] : saved_)
            std::ofstream(folder_ / name.string(), std::ios::binary) << bytes;
    }

    std::vector<Row> rows() {
        TableStore store(real_, clock_);
        EXPECT_TRUE(store.open(path_, "", kStorePassword));
        return testing::allRows(store);
    }

    // Runs `operation` with a crash at every possible point; `accept` judges the rows
    // found afterwards. Returns how many crash points there were.
    template <typename Operation, typename Accept>
    int crashEverywhere(Operation operation, Accept accept) {
        int points = 0;
        for (std::size_t torn : {std::size_t{0}, std::size_t{700}}) {
            for (long at = 0;; ++at) {
                restoreCopy();
                FaultyFileSystem faulty(at, torn);
                {
                    TableStore store(faulty, clock_);
                    if (store.open(path_, "", kStorePassword)) operation(store);
                }
                if (!faulty.crashed()) break;  // the operation got through
                ++points;
                std::vector<Row> found = rows();
                EXPECT_TRUE(accept(found)) << "crash at change " << at << ", torn " << torn;
                TableCheck check = checkTable(real_, path_, kStorePassword);
                EXPECT_TRUE(check.problems.empty())
                    << "crash at change " << at << ": " << check.problems.front();
                if (::testing::Test::HasFailure()) return points;
            }
        }
        return points;
    }

    TemporaryFolder folder_;
    PosixFileSystem real_;
    FixedClock clock_{42136.0};
    std::filesystem::path path_;
    std::map<std::filesystem::path, std::string> saved_;
};

TEST_F(CrashTest, AnInterruptedPurgeLeavesTheTableBeforeOrAfter) {
    restoreCopy();
    const std::vector<Row> before = rows();
    std::vector<Row> after = before;
    after.erase(after.begin() + 2);
    auto purgeThird = [](TableStore& store) {
        // As the program does, each step only after the one before worked.
        store.goTo(3);
        static_cast<void>(store.remove() && store.purge());
    };
    int points = crashEverywhere(purgeThird, [&](const std::vector<Row>& found) {
        if (found == after) return true;
        if (found.size() != before.size()) return false;
        // Before the purge the third record may already carry its deleted mark.
        for (std::size_t i = 0; i < found.size(); ++i) {
            Row expected = before[i];
            if (i == 2 && found[i].sequence == -expected.sequence) expected.sequence *= -1;
            if (!(found[i] == expected)) return false;
        }
        return true;
    });
    EXPECT_GT(points, 5);
}

TEST_F(CrashTest, AnInterruptedAppendLosesNothingAlreadyStored) {
    restoreCopy();
    const std::vector<Row> before = rows();
    auto addEntry = [](TableStore& store) {
        static_cast<void>(
            store.append() && store.write(field::kDate, DateTime{42140}) &&
            store.write(field::kDirection, std::int32_t{2}) &&
            store.write(field::kItem, std::string("item")) && store.write(field::kAmount, 99.5) &&
            store.write(field::kMember, std::string("m")) &&
            store.write(field::kNote, std::string("new")) &&
            store.write(field::kHasVoucher, true) &&
            store.write(field::kVouchers, Bytes{std::string(1100, 'v')}) && store.commit());
    };
    int points = crashEverywhere(addEntry, [&](const std::vector<Row>& found) {
        if (found.size() == before.size()) return found == before;
        if (found.size() != before.size() + 1) return false;
        if (!std::equal(before.begin(), before.end(), found.begin())) return false;
        // The new entry holds each of its writes completely or not at all.
        const Row& added = found.back();
        return added.sequence == 7 && (added.amount == 0 || added.amount == 99.5) &&
               (added.note.empty() || added.note == "new") &&
               (added.vouchers.empty() || added.vouchers == std::string(1100, 'v'));
    });
    EXPECT_GT(points, 5);
}

}  // namespace
}  // namespace qinghe::store
