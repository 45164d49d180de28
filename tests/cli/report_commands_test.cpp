#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "entry/voucher_list.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/cli/cli_run.h"
#include "tests/support/image_files.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

// query, stats, export-entry and export-csv, run as a script would run them.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;
using testing::runCli;
using testing::shellWord;
using testing::TestEntry;

class ReportCommandsTest : public ::testing::Test {
  protected:
    ReportCommandsTest() {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        EXPECT_TRUE(ledger::createRegistry(state));
        EXPECT_EQ(ledger::createLedger(state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::createLedger(state, gbk("私房钱"), gbk("芝麻开门")),
                  ledger::CreateLedgerResult::Created);
        EXPECT_TRUE(testing::appendEntries(
            state, run_ / "data" / "家庭.edb",
            {{42136, 1, gbk("工资"), 8500, gbk("爸爸"), gbk("五月 ABC"), false},
             {42137, 2, gbk("餐饮"), 12.345, gbk("妈妈"), gbk("聚餐，\"AA\""), false},
             {42100.99, 2, gbk("交通"), 3000000.01, gbk("爸爸"), "", false},
             {42140, 0, gbk("餐饮"), 35.2, gbk("爸爸"), gbk("abc午饭"), false}}));
        EXPECT_TRUE(testing::appendEntries(state, run_ / "data" / "私房钱.edb",
                                           {{42136, 1, "", 100, "", "", false}}));
        // Pictures of the second entry: a PNG and a piece that is no picture.
        auto& tables = state.tables;
        const auto table = run_ / "data" / "家庭.edb";
        EXPECT_TRUE(tables.select(table.string()));
        EXPECT_TRUE(tables.goTo(2));
        EXPECT_TRUE(tables.write(tables::field::kVouchers,
                                 store::Bytes{entry::joinVouchers(
                                     {"junk", testing::pngBytes(8, 6, testing::checkerboard())})}));
        EXPECT_TRUE(tables.write(tables::field::kHasVoucher, true));
        EXPECT_TRUE(tables.commit());
        EXPECT_TRUE(tables.closeAll());
    }

    std::string run() const { return shellWord(run_.path()); }

    static std::vector<nlohmann::json> parsed(const testing::CliRun& run) {
        std::vector<nlohmann::json> lines;
        for (const std::string& line : run.lines) lines.push_back(nlohmann::json::parse(line));
        return lines;
    }

    TemporaryFolder run_;
    TemporaryFolder out_;
    store::PosixFileSystem files_;
};

TEST_F(ReportCommandsTest, QueryPrintsTheListedRowsThenTheTotal) {
    struct Case {
        std::string options;
        std::vector<int> recnos;
        std::string total;
        int exitCode = 0;
    };
    const Case cases[] = {
        {"", {1, 2, 3, 4}, "当前累计：-2991547.56元（结余）"},
        {"--from 2015-05-12 --to 2015-05-13", {1, 2}, "当前累计：8487.66元（结余）"},
        {"--to 2015-04-06", {3}, "当前累计：3000000.01元（支出）"},
        {"--direction expense", {2, 3, 4}, "当前累计：3000047.56元（支出）"},
        {"--direction income", {1}, "当前累计：8500元（收入）"},
        {"--item 餐饮 --member 爸爸", {4}, "当前累计：35.2元（支出）"},
        {"--item 全部 --member 全部", {1, 2, 3, 4}, "当前累计：-2991547.56元（结余）"},
        {"--note ABC", {1, 4}, "当前累计：8464.8元（结余）"},
        {"--note 没有", {}, "当前累计：0元"},
        {"--from 2015-13-01", {}, "", 1},
        {"--direction sideways", {}, "", 2},
    };
    for (const Case& c : cases) {
        const testing::CliRun result = runCli("query " + run() + " 1 " + c.options);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.options << result.errors;
        if (c.exitCode != 0) continue;
        const auto lines = parsed(result);
        ASSERT_EQ(lines.size(), c.recnos.size() + 1) << c.options;
        for (std::size_t i = 0; i < c.recnos.size(); ++i)
            EXPECT_EQ(lines[i]["recno"], c.recnos[i]) << c.options;
        EXPECT_EQ(lines.back()["total"], c.total) << c.options;
    }
    // Rows as `entries` prints them, byte for byte.
    const testing::CliRun first = runCli("query " + run() + " 1 --to 2015-05-12");
    ASSERT_EQ(first.lines.size(), 3u);
    EXPECT_EQ(
        first.lines[0],
        R"({"recno":1,"date":"2015-05-12","direction":"收入","item":"工资","amount":"8500","member":"爸爸","note":"五月 ABC","voucher":"无"})");
}

TEST_F(ReportCommandsTest, CommandsOpenAProtectedLedgerOnlyWithItsPassword) {
    struct Case {
        std::string command;
        int exitCode;
    };
    const fs::path csv = out_ / "私房钱.csv";
    const Case cases[] = {
        {"query " + run() + " 2", 1},
        {"query " + run() + " 2 --ledger-password 芝麻", 1},
        {"query " + run() + " 2 --ledger-password 芝麻开门", 0},
        {"stats " + run() + " 2 --ledger-password 芝麻开门", 0},
        {"export-csv " + run() + " 2 " + shellWord(csv), 1},
        {"export-csv " + run() + " 2 " + shellWord(csv) + " --ledger-password 芝麻开门", 0},
        {"export-entry " + run() + " 2 1 " + shellWord(out_.path()) + " --ledger-password 芝麻开门",
         0},
        {"query " + run() + " 3", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(runCli(c.command).exitCode, c.exitCode) << c.command;
}

TEST_F(ReportCommandsTest, StatsPrintsTheRowsThenTheChartsSeries) {
    struct Case {
        std::string options;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"--unit month --kind net",
         {R"({"period":"2015-5","direction":"汇总","amount":"8452.46"})",
          R"({"period":"2015-4","direction":"汇总","amount":"-3000000.01"})",
          R"({"chart":{"periods":["2015-4","2015-5"],"series":[{"name":"汇总","values":[-3000000.01,8452.46]}]}})"}},
        {"--unit day --kind income",
         {R"({"period":"2015-05-12","direction":"收入","amount":"8500"})",
          R"({"chart":{"periods":["2015-05-12"],"series":[{"name":"收入","values":[8500.0]}]}})"}},
        {"--unit year --kind all",
         {R"({"period":"2015","direction":"收入","amount":"8500"})",
          R"({"period":"2015","direction":"支出","amount":"3000047.56"})",
          R"({"chart":{"periods":["2015"],"series":[{"name":"收入","values":[8500.0]},{"name":"支出","values":[3000047.56]}]}})"}},
    };
    for (const Case& c : cases) {
        const testing::CliRun result = runCli("stats " + run() + " 1 " + c.options);
        EXPECT_EQ(result.exitCode, 0) << c.options << result.errors;
        EXPECT_EQ(result.lines, c.lines) << c.options;
    }
    EXPECT_EQ(runCli("stats " + run() + " 1 --unit week").exitCode, 2);
}

TEST_F(ReportCommandsTest, ExportEntryWritesTheLineAndThePictures) {
    const testing::CliRun result =
        runCli("export-entry " + run() + " 1 2 " + shellWord(out_.path()));
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const auto lines = parsed(result);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["folder"], (out_ / "2").string());
    EXPECT_EQ(lines[0]["images"], 1);
    EXPECT_EQ(lines[0]["skipped"], nlohmann::json({1}));
    std::ifstream text(out_ / "2" / "账目.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(text), {}),
              gbk("2015-05-13 妈妈 餐饮 支出 金额：12.345 [聚餐，\"AA\"]"));
    EXPECT_TRUE(fs::exists(out_ / "2" / "凭证" / "2.jpg"));

    fs::remove_all(out_ / "2");
    ASSERT_EQ(runCli("export-entry " + run() + " 1 2 " + shellWord(out_.path()) +
                     " --no-text --no-images")
                  .exitCode,
              0);
    EXPECT_TRUE(fs::is_directory(out_ / "2" / "凭证"));
    EXPECT_FALSE(fs::exists(out_ / "2" / "账目.txt"));
    EXPECT_TRUE(fs::is_empty(out_ / "2" / "凭证"));
}

TEST_F(ReportCommandsTest, ExportEntryFailsWithExitOneWhenItCannotWrite) {
    std::ofstream(out_ / "file") << "x";
    const testing::CliRun blocked =
        runCli("export-entry " + run() + " 1 1 " + shellWord(out_ / "file" / "below"));
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_NE(blocked.errors.find((out_ / "file" / "below" / "1").string()), std::string::npos)
        << blocked.errors;
    EXPECT_EQ(runCli("export-entry " + run() + " 1 5 " + shellWord(out_.path())).exitCode, 1);
}

// The tool's export never writes among the program's files, and replaces a
// file or an entry's folder only with --force.
TEST_F(ReportCommandsTest, ExportsRefuseTheDataFolderAndReplaceOnlyWithForce) {
    const fs::path table = run_.path() / "data" / "家庭.edb";
    const auto tableSize = fs::file_size(table);
    const fs::path csv = out_ / "old.csv";
    std::ofstream(csv) << "mine";
    fs::create_directories(out_ / "2");
    struct Case {
        std::string command;
        int exitCode;
        std::string error;
    };
    const Case cases[] = {
        {"export-csv " + run() + " 1 " + shellWord(table), 1, "inside the data folder"},
        {"export-csv " + run() + " 1 " + shellWord(table) + " --force", 1,
         "inside the data folder"},
        {"export-entry " + run() + " 1 2 " + shellWord(run_.path() / "setup"), 1,
         "inside the data folder"},
        {"export-csv " + run() + " 1 " + shellWord(csv), 1, "--force"},
        {"export-entry " + run() + " 1 2 " + shellWord(out_.path()), 1, "--force"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const testing::CliRun refused = runCli(c.command);
        EXPECT_EQ(refused.exitCode, c.exitCode);
        EXPECT_NE(refused.errors.find(c.error), std::string::npos) << refused.errors;
    }
    EXPECT_EQ(fs::file_size(table), tableSize);
    EXPECT_FALSE(fs::exists(run_.path() / "setup" / "2"));
    std::ifstream kept(csv);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
    EXPECT_FALSE(fs::exists(out_ / "2" / "账目.txt"));

    EXPECT_EQ(runCli("export-csv " + run() + " 1 " + shellWord(csv) + " --force").exitCode, 0);
    EXPECT_GT(fs::file_size(csv), 4u);
    EXPECT_EQ(
        runCli("export-entry " + run() + " 1 2 " + shellWord(out_.path()) + " --force").exitCode,
        0);
    EXPECT_TRUE(fs::exists(out_ / "2" / "账目.txt"));
}

TEST_F(ReportCommandsTest, ExportCsvReadsBackInPython) {
    const fs::path csv = out_ / "家庭.csv";
    const testing::CliRun result = runCli("export-csv " + run() + " 1 " + shellWord(csv));
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(parsed(result)[0]["rows"], 4);
    const std::string script =
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
        "    print(json.dumps(list(csv.reader(f)), ensure_ascii=False))\n";
    std::string output;
    if (FILE* pipe = ::popen(("python3 -c \"" + script + "\" " + shellWord(csv)).c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        EXPECT_EQ(::pclose(pipe), 0);
    }
    const nlohmann::json expected = {
        {"记录号", "日期", "方向", "项目", "金额", "成员", "备注", "票据附录"},
        {"1", "2015-05-12", "收入", "工资", "8500", "爸爸", "五月 ABC", "无"},
        {"2", "2015-05-13", "支出", "餐饮", "12.345", "妈妈", "聚餐，\"AA\"", "有"},
        {"3", "2015-04-06", "支出", "交通", "3000000.01", "爸爸", "", "无"},
        {"4", "2015-05-16", "支出", "餐饮", "35.2", "爸爸", "abc午饭", "无"},
    };
    EXPECT_EQ(nlohmann::json::parse(output), expected);

    std::ofstream(out_ / "file") << "x";
    EXPECT_EQ(runCli("export-csv " + run() + " 1 " + shellWord(out_ / "file" / "x.csv")).exitCode,
              1);
}

}  // namespace
}  // namespace qinghe
