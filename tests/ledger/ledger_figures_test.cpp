#include "ledger/ledger_figures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "common/temporary_folder.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_list.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

// The ledger list's figures: from the cache (outside the data folder) while a data
// file is unchanged, read anew when it changed, never from a damaged cache.
class LedgerFiguresTest : public ::testing::Test {
  protected:
    LedgerFiguresTest() : state_(RunDirectory(folder_.path()), files_, clock_, user_) {
        state_.cacheFolder = folder_ / "cache";
        for (const char* name : {"家庭", "旅行"}) {
            EXPECT_EQ(ledger::createLedger(state_, gbk(name), ""),
                      ledger::CreateLedgerResult::Created);
        }
        EXPECT_TRUE(testing::appendEntries(
            state_, table("家庭"),
            {{.direction = 1, .amount = 100}, {.date = 42200, .amount = 30}}));
        EXPECT_TRUE(testing::appendEntries(state_, table("旅行"), {{.amount = 7.5}}));
        EXPECT_TRUE(state_.tables.closeAll());
        age(table("家庭"));
        age(table("旅行"));
    }

    fs::path table(const char* name) { return folder_ / "data" / (std::string(name) + ".edb"); }
    fs::path cache() { return folder_ / "cache" / "summary.cache"; }

    // Files changed long ago: their figures may be kept (a file changed just
    // now could change again unseen within the same tick of the clock).
    static void age(const fs::path& file) {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }

    std::vector<std::string> incomes() {
        std::vector<std::string> shown;
        for (const auto& row : ledger::rebuildLedgerList(state_).rows) shown.push_back(row.income);
        return shown;
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    testing::ScriptedUser user_;
    AppState state_;
};

TEST_F(LedgerFiguresTest, UnchangedFilesAreNotReadAgainChangedOnesAre) {
    EXPECT_EQ(incomes(), (std::vector<std::string>{"100", "0"}));
    ASSERT_TRUE(fs::exists(cache()));

    // The figures come from the cache: bytes changed under the same size and
    // time are not looked at (nothing else writes the program's files).
    const auto stamp = fs::last_write_time(table("旅行"));
    {
        std::fstream file(table("旅行"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4);
        file << "XXXX";
    }
    fs::last_write_time(table("旅行"), stamp);
    EXPECT_EQ(ledger::rebuildLedgerList(state_).rows[1].expense, "7.5");

    // Another copy of the folder put in place: another time, the true figures.
    fs::copy_file(table("家庭"), table("旅行"), fs::copy_options::overwrite_existing);
    age(table("旅行"));
    fs::last_write_time(table("旅行"),
                        fs::last_write_time(table("旅行")) + std::chrono::seconds(1));
    const ledger::LedgerList list = ledger::rebuildLedgerList(state_);
    EXPECT_EQ(list.rows[1].income, "100");
    EXPECT_EQ(list.rows[1].expense, "30");
    ASSERT_TRUE(list.summary);
    EXPECT_EQ(list.summary->income, "200");
}

TEST_F(LedgerFiguresTest, ATableLeftOpenWithChangesIsReadNotTakenFromTheCache) {
    EXPECT_EQ(incomes(), (std::vector<std::string>{"100", "0"}));
    // Entries added to a ledger whose table stays open (as it does when
    // another ledger is opened after it): its data file is as it was until
    // the close, its change log is not.
    for (const auto& [amount, shown] : {std::pair{5.0, "5"}, std::pair{2.0, "7"}}) {
        ASSERT_TRUE(
            testing::appendEntries(state_, table("旅行"), {{.direction = 1, .amount = amount}}));
        EXPECT_EQ(incomes(), (std::vector<std::string>{"100", shown}));
    }
    EXPECT_TRUE(state_.tables.closeAll());
    EXPECT_EQ(incomes(), (std::vector<std::string>{"100", "7"}));
}

TEST_F(LedgerFiguresTest, ADamagedCacheIsIgnoredAndWrittenAnew) {
    for (const std::string& garbage :
         {std::string("not a cache"), std::string("qinghe ledger figures 1\nzz 1 2 3\n"),
          std::string("qinghe ledger figures 1\n5c 1\n"), std::string(10000, '\0')}) {
        std::ofstream(cache(), std::ios::binary | std::ios::trunc) << garbage;
        EXPECT_EQ(incomes(), (std::vector<std::string>{"100", "0"}));
        std::ifstream in(cache());
        std::string first;
        std::getline(in, first);
        EXPECT_EQ(first, "qinghe ledger figures 1");
    }
}

TEST_F(LedgerFiguresTest, FiguresReadLaterFillTheRowsThenTheSummary) {
    fs::remove(cache());
    ledger::LedgerList list = ledger::rebuildLedgerList(state_, ledger::FiguresWhen::Later);
    ASSERT_EQ(list.pending.size(), 2u);
    EXPECT_TRUE(list.rows[0].pending);
    EXPECT_FALSE(list.summary);
    const auto jobs = list.pending;
    EXPECT_FALSE(ledger::arriveFigures(state_, list, jobs[1],
                                       ledger::readLedgerFigures(files_, jobs[1].table)));
    EXPECT_EQ(list.rows[1].expense, "7.5");
    EXPECT_FALSE(list.summary);
    EXPECT_TRUE(ledger::arriveFigures(state_, list, jobs[0], std::nullopt));  // unreadable
    EXPECT_TRUE(list.rows[0].damaged);
    ASSERT_TRUE(list.summary);
    EXPECT_EQ(list.summary->expense, "7.5");
    // What arrived is kept for the next listing.
    EXPECT_TRUE(ledger::rebuildLedgerList(state_, ledger::FiguresWhen::Later).pending.size() == 1);
}

TEST_F(LedgerFiguresTest, TheOpenLedgerShowsItsRowsInMemory) {
    testing::ScriptedUser user;
    state_.currentLedger.saveTo = gbk("\\data\\旅行.edb");
    state_.currentLedger.rows = std::make_shared<LedgerRows>();
    state_.currentLedger.rows->append({.direction = Direction::Income, .amount = 42});
    const ledger::LedgerList list = ledger::rebuildLedgerList(state_, ledger::FiguresWhen::Later);
    EXPECT_EQ(list.rows[1].income, "42");
    EXPECT_FALSE(list.rows[1].pending);
}

}  // namespace
}  // namespace qinghe
