#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/temporary_folder.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_list.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "session/user_store.h"
#include "store/table_check.h"
#include "tables/schemas.h"
#include "tests/support/crash_harness.h"
#include "tests/support/ledger_data.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::CrashHarness;
using testing::gbk;
using testing::MemoryFileSystem;
using Found = CrashHarness::Found;

// What a fresh start of the program finds: the registry's rows with their
// ledgers' entries, and the user store.
struct Seen {
    struct Ledger {
        std::string name;
        std::string password;
        std::string saveTo;
        std::vector<double> amounts;  // nothing read: the file is missing
        bool readable = false;
        friend bool operator==(const Ledger&, const Ledger&) = default;
    };
    bool registry = false;
    std::vector<Ledger> ledgers;
    std::string loginPassword;
    bool userStore = false;
    friend bool operator==(const Seen&, const Seen&) = default;
};

// Every writing flow of the ledgers and of the user store, run over a disk in
// memory under every fault at every step.
class LedgerCrashTest : public ::testing::Test {
  protected:
    struct Run {
        explicit Run(LedgerCrashTest& test, MemoryFileSystem& disk)
            : state(RunDirectory(test.folder_.path()), disk, test.clock_, user) {}
        testing::ScriptedUser user;
        AppState state;
        testing::RecordingView view;
    };

    // Two ledgers, the first with three entries, and a user store.
    MemoryFileSystem household() {
        MemoryFileSystem disk;
        Run run(*this, disk);
        EXPECT_TRUE(openUserStore(run.state));
        EXPECT_EQ(ledger::createLedger(run.state, gbk("旅行"), "pw"),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::createLedger(run.state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_TRUE(testing::appendEntries(run.state, folder_ / "data/旅行.edb",
                                           {{.amount = 1}, {.amount = 2.5}, {.amount = 4}}));
        EXPECT_TRUE(run.state.tables.closeAll());
        return disk;
    }

    // Everything the next start finds, with every table it opens checked
    // clean afterwards: damage counts as neither state.
    std::optional<Seen> look(MemoryFileSystem& disk) {
        Run run(*this, disk);
        auto& tables = run.state.tables;
        Seen seen;
        const auto userFile = run.state.run.below(tables::kUserStorePath);
        if (disk.exists(userFile)) {
            if (!openUserStore(run.state) || !clean(disk, userFile)) return std::nullopt;
            seen.userStore = true;
            seen.loginPassword = run.state.loginPassword;
        }
        const auto registry = ledger::registryFile(run.state);
        if (!disk.exists(registry)) return seen;
        if (!ledger::ensureRegistryOpen(run.state) || !clean(disk, registry)) return std::nullopt;
        seen.registry = true;
        std::vector<Seen::Ledger> rows;
        tables.first();
        for (std::int32_t i = tables.recordCount(); i > 0; --i) {
            rows.push_back({store::toText(*tables.read(tables::field::kName)),
                            store::toText(*tables.read(tables::field::kPass)),
                            store::toText(*tables.read(tables::field::kSaveTo)),
                            {},
                            false});
            tables.skip();
        }
        for (auto& row : rows) {
            auto table = tables::storedPathToFile(run.state.run, row.saveTo, tables::kDataFolder);
            if (!table || !disk.exists(*table)) continue;
            if (!tables.open(*table, "", tables::kStorePassword) || !clean(disk, *table))
                return std::nullopt;
            row.readable = true;
            tables.first();
            for (std::int32_t i = tables.recordCount(); i > 0; --i) {
                row.amounts.push_back(store::toDouble(*tables.read(tables::field::kAmount)));
                tables.skip();
            }
        }
        seen.ledgers = std::move(rows);
        return seen;
    }

    bool clean(MemoryFileSystem& disk, const std::filesystem::path& table) {
        store::TableCheck check = store::checkTable(disk, table, tables::kStorePassword);
        for (const auto& problem : check.problems) ADD_FAILURE() << table << ": " << problem;
        return check.readable && check.problems.empty();
    }

    // Runs a flow under every fault; `sound` adds what must hold of either
    // state (a listed ledger is always readable, say).
    void crashTest(const std::string& name, const MemoryFileSystem& before,
                   const std::function<bool(Run&)>& flow,
                   const std::function<bool(const Seen&)>& sound = {}) {
        auto act = [&](MemoryFileSystem& disk) {
            Run run(*this, disk);
            return flow(run);
        };
        MemoryFileSystem beforeCopy(before);
        const std::optional<Seen> seenBefore = look(beforeCopy);
        MemoryFileSystem afterDisk(before);
        ASSERT_TRUE(act(afterDisk));
        MemoryFileSystem afterCopy(afterDisk);
        const std::optional<Seen> seenAfter = look(afterCopy);
        ASSERT_TRUE(seenBefore && seenAfter);
        ASSERT_NE(*seenBefore, *seenAfter) << name << " changes nothing";
        auto judge = [&](MemoryFileSystem& disk) {
            const std::optional<Seen> seen = look(disk);
            if (!seen || (sound && !sound(*seen))) return Found::Neither;
            if (*seen == *seenAfter) return Found::After;
            return *seen == *seenBefore ? Found::Before : Found::Neither;
        };
        const auto counts = CrashHarness::run(name, before, act, judge);
        EXPECT_EQ(counts.bad, 0);
        EXPECT_GT(counts.crashes, 0);
    }

    // Every ledger the registry lists opens: a row never names a missing file.
    static bool everyListedLedgerOpens(const Seen& seen) {
        for (const auto& ledger : seen.ledgers) {
            if (!ledger.readable) return false;
        }
        return true;
    }

    TemporaryFolder folder_;
    FixedClock clock_{42136.75};
};

TEST_F(LedgerCrashTest, FirstStartMakesTheUserStoreWholeOrNotAtAll) {
    crashTest("user store", MemoryFileSystem{}, [](Run& run) { return openUserStore(run.state); });
}

TEST_F(LedgerCrashTest, CreatingALedger) {
    crashTest(
        "create ledger", household(),
        [](Run& run) {
            return ledger::createLedger(run.state, gbk("新账簿"), "secret") ==
                   ledger::CreateLedgerResult::Created;
        },
        everyListedLedgerOpens);
}

TEST_F(LedgerCrashTest, ChangingALedgersNameAndPassword) {
    crashTest("change ledger", household(), [](Run& run) {
        run.user.formVisits = {{{gbk("旅游"), "pw", "new"}}};
        return ledger::changeLedger(run.state, 1, run.view);
    });
}

TEST_F(LedgerCrashTest, DeletingALedger) {
    crashTest(
        "delete ledger", household(),
        [](Run& run) { return ledger::deleteLedger(run.state, 1, run.view); },
        everyListedLedgerOpens);
}

TEST_F(LedgerCrashTest, ClearingAllLedgers) {
    crashTest(
        "clear ledgers", household(),
        [](Run& run) { return ledger::clearLedgers(run.state, 2, run.view); },
        everyListedLedgerOpens);
}

}  // namespace
}  // namespace qinghe
