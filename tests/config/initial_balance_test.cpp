#include <gtest/gtest.h>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "config/initial_balance.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

class InitialBalanceTest : public ::testing::Test {
  protected:
    InitialBalanceTest() : run_(folder_.path()) {
        settings_.startDate = 42005;  // 2015-01-01
        settings_.initialAmount = 2345678.25;
    }

    std::filesystem::path file() const { return folder_ / "setup/csrqje.ini"; }

    TemporaryFolder folder_;
    RunDirectory run_;
    Settings settings_;
    testing::ScriptedUser user_;
};

TEST_F(InitialBalanceTest, CancelChangesNothing) {
    EXPECT_FALSE(editInitialBalance(run_, settings_, user_));
    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::InitialBalance);
    // The dialog offers the amount exactly, so an unchanged OK keeps the cents.
    EXPECT_EQ(user_.formRequests[0].initial,
              (std::vector<std::string>{"2015-01-01", "2345678.25"}));
    EXPECT_EQ(settings_.startDate, 42005);
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(InitialBalanceTest, AcceptedValuesAreKeptSavedAndReadBackExactly) {
    struct Case {
        std::vector<std::string> typed;
        double date;
        double amount;
    };
    const Case cases[] = {
        {{"2015-01-01", "2345678.25"}, 42005, 2345678.25},
        {{"2016-02-29 13:45:00", "1000.5"}, 42429, 1000.5},
        {{"2016-02-29", "\xA3\xAD\xA3\xB1\xA3\xB2.5"}, 42429, -12.5},  // full-width -12.5
        {{"2016-02-29", "abc"}, 42429, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed[1]);
        user_.messages.clear();
        user_.formVisits = {{c.typed}};
        ASSERT_TRUE(editInitialBalance(run_, settings_, user_));
        EXPECT_EQ(settings_.startDate, c.date);
        EXPECT_EQ(settings_.initialAmount, c.amount);
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(gbkToUtf8(user_.messages[0].text), "初始起算日期及初始金额保存成功！");
        Settings reloaded = loadSettings(run_, FixedClock(50000));
        EXPECT_EQ(reloaded.startDate, c.date);
        EXPECT_EQ(reloaded.initialAmount, c.amount);
    }
}

TEST_F(InitialBalanceTest, FailedWriteIsReportedNotCelebrated) {
    std::filesystem::create_directories(folder_ / "setup/csrqje.ini/blocked");
    user_.formVisits = {{{"2015-01-01", "1"}}};
    EXPECT_FALSE(editInitialBalance(run_, settings_, user_));
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
}

}  // namespace
}  // namespace qinghe
