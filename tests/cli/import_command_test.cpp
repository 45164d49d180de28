#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/cli/cli_run.h"
#include "tests/import/bill_files.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

// `import`, run as a script would run it: one JSON line per row of the bill and
// a summary; the same bill a second time adds nothing; refusals change nothing.

namespace qinghe {
namespace {

using testing::AppRow;
using testing::gbk;
using testing::runCli;
using testing::shellWord;
using Json = nlohmann::json;

class ImportCommandTest : public ::testing::Test {
  protected:
    ImportCommandTest() {
        testing::ScriptedUser user;
        FixedClock clock{45300.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        EXPECT_TRUE(ledger::createRegistry(state));
        EXPECT_EQ(ledger::createLedger(state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
    }

    std::string bill(const std::string& name, const std::string& bytes) {
        const auto path = run_.path() / name;
        testing::writeFile(path, bytes);
        return shellWord(path);
    }

    testing::CliRun import(const std::string& arguments) {
        return runCli("import " + shellWord(run_.path()) + " 1 " + arguments);
    }

    std::size_t entryCount() {
        const testing::CliRun entries = runCli("entries " + shellWord(run_.path()) + " 1");
        EXPECT_EQ(entries.exitCode, 0) << entries.errors;
        return entries.lines.empty() ? 0 : entries.lines.size() - 1;
    }

    static Json summary(const testing::CliRun& run) {
        return run.lines.empty() ? Json() : Json::parse(run.lines.back());
    }

    TemporaryFolder run_;
    store::PosixFileSystem files_;
};

TEST_F(ImportCommandTest, ImportsWhatThePreviewTicksOnceOnly) {
    const std::string file =
        bill("alipay.csv", testing::alipayCsv({AppRow{.number = "N1"},
                                               AppRow{.time = "2024-01-06 10:00:00",
                                                      .flow = "不计收支",
                                                      .amount = "500.00",
                                                      .number = "N2"},
                                               AppRow{.time = "2024-01-07 10:00:00",
                                                      .flow = "收入",
                                                      .amount = "88.00",
                                                      .number = "N3"}}));
    const testing::CliRun dry = import(file + " --dry-run");
    ASSERT_EQ(dry.exitCode, 0) << dry.errors;
    EXPECT_EQ(entryCount(), 0u);

    const testing::CliRun first = import(file + " --member 妈妈 --item-map 餐饮美食=早餐");
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    ASSERT_EQ(first.lines.size(), 4u);
    const Json row = Json::parse(first.lines[0]);
    EXPECT_EQ(row["status"], "new");
    EXPECT_EQ(row["imported"], true);
    EXPECT_EQ(row["date"], "2024-01-05 08:12:30");
    EXPECT_EQ(row["amount"], "12.50");
    EXPECT_EQ(row["item"], "早餐");
    EXPECT_EQ(row["member"], "妈妈");
    EXPECT_EQ(row["note"], "早点铺 豆浆油条");
    EXPECT_EQ(row["number"], "alipay:N1");
    const Json neutral = Json::parse(first.lines[1]);
    EXPECT_EQ(neutral["status"], "skipped");
    EXPECT_EQ(neutral["reason"], "跳过：不计收支");
    EXPECT_EQ(summary(first)["imported"], 2);
    EXPECT_EQ(summary(first)["format"], "alipay");
    EXPECT_EQ(entryCount(), 2u);

    const testing::CliRun again = import(file);
    ASSERT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(summary(again)["duplicates"], 2);
    EXPECT_EQ(summary(again)["imported"], 0);
    EXPECT_EQ(Json::parse(again.lines[0])["reason"], "重复：以前已导入");
    EXPECT_EQ(entryCount(), 2u);
}

TEST_F(ImportCommandTest, PasswordZipAndBankStatementMapping) {
    const std::string zip =
        bill("bill.zip", testing::zipOf({{"b.xlsx", testing::weChatXlsx({AppRow{.number = "W1"}})}},
                                        "112233", ZIP_EM_TRAD_PKWARE));
    EXPECT_EQ(import(zip).exitCode, 1);
    const testing::CliRun wrong = import(zip + " --zip-password 999999");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.errors.find("--zip-password"), std::string::npos) << wrong.errors;
    EXPECT_EQ(entryCount(), 0u);
    const testing::CliRun right = import(zip + " --zip-password 112233");
    ASSERT_EQ(right.exitCode, 0) << right.errors;
    EXPECT_EQ(summary(right)["format"], "wechat");
    EXPECT_EQ(entryCount(), 1u);

    const std::string header = "日期,说明,发生额,余额\n";
    const std::string bank = bill("bank.csv", header + "2024-02-01,超市,-35.20,964.80\n");
    const testing::CliRun unmapped = import(bank);
    EXPECT_EQ(unmapped.exitCode, 1);
    EXPECT_NE(unmapped.errors.find("请先指定日期和金额所在的列"), std::string::npos);
    EXPECT_EQ(import(bank + " --map colour=1").exitCode, 2);
    EXPECT_EQ(import(bank + " --map date=9").exitCode, 2);
    const testing::CliRun mapped = import(bank + " --map date=日期 --map amount=3 --map note=说明");
    ASSERT_EQ(mapped.exitCode, 0) << mapped.errors;
    EXPECT_EQ(Json::parse(mapped.lines[0])["direction"], "expense");
    EXPECT_EQ(entryCount(), 2u);
    // The mapping is remembered for the header.
    const std::string next = bill("bank2.csv", header + "2024-03-01,工资,8000,8964.80\n");
    const testing::CliRun remembered = import(next);
    ASSERT_EQ(remembered.exitCode, 0) << remembered.errors;
    EXPECT_EQ(Json::parse(remembered.lines[0])["direction"], "income");
    EXPECT_EQ(entryCount(), 3u);
}

TEST_F(ImportCommandTest, ABillThatCannotBeReadWholeChangesNothing) {
    const std::string file = bill(
        "bad.csv",
        testing::alipayCsv({AppRow{.number = "N1"}, AppRow{.amount = "12..5", .number = "N2"}}));
    const testing::CliRun run = import(file);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("第 8 行的金额不是有效的数字"), std::string::npos) << run.errors;
    EXPECT_TRUE(run.lines.empty());
    EXPECT_EQ(entryCount(), 0u);
    EXPECT_EQ(import(shellWord(run_.path() / "missing.csv")).exitCode, 1);
}

}  // namespace
}  // namespace qinghe
