#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/temporary_folder.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "import/bill_import.h"
#include "import/bill_preview.h"
#include "import/imported_numbers.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "session/app_state.h"
#include "store/table_check.h"
#include "tables/schemas.h"
#include "tests/import/bill_files.h"
#include "tests/support/crash_harness.h"
#include "tests/support/ledger_data.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

// Importing a bill on a disk in memory that is killed, tears a write, loses
// power or fails a write or a flush at each step in turn: the next start finds
// the ledger as it was with none of the bill's numbers, or with every ticked
// row and all their numbers, never anything between, so that importing the
// bill again neither adds a row twice nor leaves one out.

namespace qinghe {
namespace {

using testing::AppRow;
using testing::CrashHarness;
using testing::gbk;
using testing::MemoryFileSystem;
using Found = CrashHarness::Found;

struct Seen {
    std::vector<EntryValues> rows;
    std::vector<std::string> numbers;  // sorted
    friend bool operator==(const Seen&, const Seen&) = default;
};

class ImportCrashTest : public ::testing::Test {
  protected:
    struct Run {
        Run(ImportCrashTest& test, MemoryFileSystem& disk)
            : state(RunDirectory(test.folder_.path()), disk, test.clock_, user) {
            state.settings.expenseItems = {gbk("餐饮")};
            state.settings.incomeItems = {gbk("工资")};
        }
        testing::ScriptedUser user;
        AppState state;
        testing::RecordingView view;
    };

    std::filesystem::path billPath() const { return folder_.path() / "bills" / "alipay.csv"; }

    // A ledger of three entries, and a bill of four rows beside it (one of
    // them closed, so three are imported).
    MemoryFileSystem household() {
        MemoryFileSystem disk;
        Run run(*this, disk);
        EXPECT_EQ(ledger::createLedger(run.state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::openLedger(run.state, 1, run.view), ledger::OpenLedgerResult::Opened);
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(entry::addEntry(
                run.state, {.date = 45290.0 + i, .item = gbk("餐饮"), .amount = 1.0 + i}, "",
                &run.view));
        }
        EXPECT_TRUE(run.state.tables.closeAll());
        const std::string bill = testing::alipayCsv({
            AppRow{.number = "N1"},
            AppRow{
                .time = "2024-01-06 09:00:00", .flow = "收入", .amount = "88.00", .number = "N2"},
            AppRow{.time = "2024-01-07 09:00:00",
                   .amount = "3.00",
                   .status = "交易关闭",
                   .number = "N3"},
            AppRow{.time = "2024-01-08 09:00:00", .amount = "45.60", .number = "N4"},
        });
        auto file = disk.open(billPath(), store::OpenMode::Create);
        EXPECT_TRUE(file && file->writeAt(0, bill.data(), bill.size()) && file->sync());
        return disk;
    }

    // The ledger as a fresh start reads it (opening settles what an import
    // left), its table checked clean, with the numbers beside it.
    std::optional<Seen> look(MemoryFileSystem& disk) {
        Run run(*this, disk);
        if (ledger::openLedger(run.state, 1, run.view) != ledger::OpenLedgerResult::Opened)
            return std::nullopt;
        const auto table = folder_ / "data/家庭.edb";
        store::TableCheck check = store::checkTable(disk, table, tables::kStorePassword);
        for (const auto& problem : check.problems) ADD_FAILURE() << problem;
        if (!check.readable || !check.problems.empty()) return std::nullopt;
        Seen seen;
        const LedgerRows& rows = *run.state.currentLedger.rows;
        for (std::size_t row = 0; row < rows.size(); ++row) seen.rows.push_back(rows.values(row));
        import::ImportedNumbers numbers;
        if (import::readImportedNumbers(disk, import::importedNumbersPath(table), numbers) ==
            import::NumbersRead::Damaged) {
            ADD_FAILURE() << "the numbers file is damaged";
            return std::nullopt;
        }
        if (numbers.pending) {
            ADD_FAILURE() << "a pending batch outlived the open";
            return std::nullopt;
        }
        seen.numbers.assign(numbers.keys.begin(), numbers.keys.end());
        std::sort(seen.numbers.begin(), seen.numbers.end());
        return seen;
    }

    TemporaryFolder folder_;
    FixedClock clock_{45300.5};
};

TEST_F(ImportCrashTest, AnImportIsWholeOrAbsentWithItsNumbers) {
    const MemoryFileSystem before = household();
    auto act = [&](MemoryFileSystem& disk) {
        Run run(*this, disk);
        if (ledger::openLedger(run.state, 1, run.view) != ledger::OpenLedgerResult::Opened)
            return false;
        bool imported = false;
        run.user.windowVisits.push_back([&](WindowKind, WindowModel& window) {
            auto& model = dynamic_cast<import::BillImportModel&>(window);
            if (model.load() && model.finishLoad()) imported = model.importTicked();
        });
        import::importBill(run.state, run.view, billPath());
        return imported;
    };
    MemoryFileSystem beforeCopy(before);
    const auto seenBefore = look(beforeCopy);
    MemoryFileSystem afterDisk(before);
    ASSERT_TRUE(act(afterDisk));
    MemoryFileSystem afterCopy(afterDisk);
    const auto seenAfter = look(afterCopy);
    ASSERT_TRUE(seenBefore && seenAfter);
    ASSERT_EQ(seenBefore->rows.size(), 3u);
    ASSERT_TRUE(seenBefore->numbers.empty());
    ASSERT_EQ(seenAfter->rows.size(), 6u);
    ASSERT_EQ(seenAfter->numbers,
              (std::vector<std::string>{"alipay:N1", "alipay:N2", "alipay:N4"}));
    auto judge = [&](MemoryFileSystem& disk) {
        const auto seen = look(disk);
        if (!seen) return Found::Neither;
        if (*seen == *seenAfter) return Found::After;
        return *seen == *seenBefore ? Found::Before : Found::Neither;
    };
    const auto counts = CrashHarness::run("import", before, act, judge);
    EXPECT_EQ(counts.bad, 0);
    EXPECT_GT(counts.crashes, 0);
    EXPECT_GT(counts.errors, 0);
}

}  // namespace
}  // namespace qinghe
