#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "report/csv.h"
#include "report/export_file.h"
#include "report/export_flows.h"
#include "tests/report/report_fixture.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

LedgerRows household() {
    LedgerRows rows;
    rows.append(
        {42136.99, Direction::Income, gbk("工资"), 8500, gbk("爸爸"), gbk("五月工资"), true});
    rows.append({42137, Direction::Expense, gbk("餐饮"), 12.345, gbk("妈妈"),
                 gbk("聚餐，AA制, \"好吃\""), false});
    rows.append({-657434, Direction::Expense, "", 3000000.01, "", gbk("第一行\r\n第二行"), false});
    rows.append({2958465, Direction::Expense, gbk("全部"), 0.1, gbk("孩子"), "=SUM(A1)", false});
    rows.append({42138, Direction::Income, "x", -0.0, "y", "\xFF\x81", false});  // damaged bytes
    return rows;
}

TEST(EntriesCsv, WritesUtf8WithAByteOrderMarkCrlfAndQuotesWhereNeeded) {
    const LedgerRows rows = household();
    const std::vector<std::uint32_t> matches = {1, 0};
    EXPECT_EQ(report::entriesCsv(rows, &matches),
              "\xEF\xBB\xBF"
              "记录号,日期,方向,项目,金额,成员,备注,票据附录\r\n"
              "2,2015-05-13,支出,餐饮,12.345,妈妈,\"聚餐，AA制, \"\"好吃\"\"\",无\r\n"
              "1,2015-05-12,收入,工资,8500,爸爸,五月工资,有\r\n");
}

TEST(EntriesCsv, WritesDatesWithFourDigitYearsAndAmountsExactly) {
    const std::string csv = report::entriesCsv(household(), nullptr);
    EXPECT_NE(csv.find("\r\n3,0100-01-01,支出,,3000000.01,,\"第一行\r\n第二行\",无\r\n"),
              std::string::npos);
    EXPECT_NE(csv.find("\r\n4,9999-12-31,支出,全部,0.1,孩子,=SUM(A1),无\r\n"), std::string::npos);
    EXPECT_NE(csv.find("\r\n5,2015-05-14,收入,x,0,y,\xEF\xBF\xBD\xEF\xBF\xBD,无\r\n"),
              std::string::npos);
}

TEST(StatisticsCsv, WritesPeriodsAsSpreadsheetsReadThem) {
    LedgerRows rows;
    rows.append({42136, Direction::Income, "", 0.1, "", "", false});
    rows.append({42137, Direction::Income, "", 0.2, "", "", false});
    rows.append({42400, Direction::Expense, "", 3000000.01, "", "", false});
    rows.append({42500, Direction::Expense, "", 98765432109.87, "", "", false});
    rows.append({42500, Direction::Expense, "", 12345678901.23, "", "", false});
    struct Case {
        int unit, kind;
        std::string csv;
    };
    const Case cases[] = {
        {report::kMonthUnit, report::kSummaryKind,
         "\xEF\xBB\xBF日期,方向,金额\r\n2015-05,汇总,0.3\r\n2016-01,汇总,-3000000.01\r\n"
         "2016-05,汇总,-111111111011.1\r\n"},
        {report::kDayUnit, report::kIncomeKind,
         "\xEF\xBB\xBF日期,方向,金额\r\n2015-05-12,收入,0.1\r\n2015-05-13,收入,0.2\r\n"},
        {report::kYearUnit, report::kBothKind,
         "\xEF\xBB\xBF日期,方向,金额\r\n2015,收入,0.3\r\n2016,支出,111114111011.11\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(report::statisticsCsv(report::runStatistics(rows, c.unit, c.kind)), c.csv)
            << c.unit << " " << c.kind;
    }
}

// What Python's csv module reads from a file: every row as a list of texts.
nlohmann::json readWithPython(const fs::path& file) {
    const std::string script =
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
        "    print(json.dumps(list(csv.reader(f))))\n";
    const std::string command = "python3 -c \"" + script + "\" '" + file.string() + "'";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        if (::pclose(pipe) != 0) return nullptr;
    }
    return nlohmann::json::parse(output, nullptr, false);
}

TEST(EntriesCsv, ReadsBackInPythonWithEveryRowExactAmountsAndChineseIntact) {
    const TemporaryFolder folder;
    const fs::path file = folder / "账目.csv";
    const LedgerRows rows = household();
    ASSERT_TRUE(report::writeExportFile(file, report::entriesCsv(rows, nullptr)));
    const nlohmann::json read = readWithPython(file);
    ASSERT_TRUE(read.is_array()) << read;
    const nlohmann::json expected = {
        {"记录号", "日期", "方向", "项目", "金额", "成员", "备注", "票据附录"},
        {"1", "2015-05-12", "收入", "工资", "8500", "爸爸", "五月工资", "有"},
        {"2", "2015-05-13", "支出", "餐饮", "12.345", "妈妈", "聚餐，AA制, \"好吃\"", "无"},
        {"3", "0100-01-01", "支出", "", "3000000.01", "", "第一行\r\n第二行", "无"},
        {"4", "9999-12-31", "支出", "全部", "0.1", "孩子", "=SUM(A1)", "无"},
        {"5", "2015-05-14", "收入", "x", "0", "y", "\xEF\xBF\xBD\xEF\xBF\xBD", "无"},
    };
    EXPECT_EQ(read, expected);
}

TEST(EntriesCsv, AThousandRowsReadBackWithTheirAmountsToTheLastDigit) {
    LedgerRows rows;
    std::vector<std::string> amounts;
    for (int i = 0; i < 1000; ++i) {
        const double amount = (i * 7919 % 1000003) / 100.0 + (i % 7) * 0.001;
        rows.append({42000.0 + i, i % 2 == 0 ? Direction::Income : Direction::Expense, gbk("项目"),
                     amount, gbk("成员"), gbk("备注"), false});
    }
    const TemporaryFolder folder;
    const fs::path file = folder / "big.csv";
    ASSERT_TRUE(report::writeExportFile(file, report::entriesCsv(rows, nullptr)));
    const nlohmann::json read = readWithPython(file);
    ASSERT_EQ(read.size(), 1001u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string text = read[i + 1][4];
        EXPECT_EQ(std::stod(text), rows.amount(i)) << text;
    }
}

class CsvCommandTest : public testing::ReportTest {};

TEST_F(CsvCommandTest, SavesWhereTheUserSaysAndTellsHowItWent) {
    const LedgerRows rows = household();
    const std::vector<std::uint32_t> none;
    struct Case {
        const char* what;
        std::optional<fs::path> chosen;
        const std::vector<std::uint32_t>* matches;
        fs::path written;  // empty: none
        std::string message;
    };
    const fs::path folderAsFile = out_ / "folder";
    const Case cases[] = {
        {"cancelled", std::nullopt, nullptr, {}, ""},
        {"an extension added", out_ / "结果", nullptr, out_ / "结果.csv", "数据导出成功！"},
        {"a name with its extension", out_ / "a.txt", nullptr, out_ / "a.txt", "数据导出成功！"},
        {"nothing listed", out_ / "b.csv", &none, {}, "查询结果中没有账目可以导出！"},
        {"a folder in the way",
         folderAsFile,
         nullptr,
         {},
         "数据导出失败：无法写入“" + (folderAsFile.string() + ".csv") + "”！"},
    };
    fs::create_directories(folderAsFile.string() + ".csv");
    for (const Case& c : cases) {
        user_ = {};
        user_.saveFiles.push_back(c.chosen);
        report::exportQueryCsvCommand(state_, rows, c.matches);
        if (!c.written.empty()) {
            EXPECT_EQ(fileBytes(c.written), report::entriesCsv(rows, nullptr)) << c.what;
            ASSERT_EQ(user_.saveFileRequests.size(), 1u);
            EXPECT_EQ(gbkToUtf8Lossy(user_.saveFileRequests[0].suggestedName), "查账结果.csv");
        }
        if (c.message.empty()) {
            EXPECT_TRUE(user_.messages.empty()) << c.what;
        } else {
            // A folder in the way is something there: asked first (OK).
            ASSERT_EQ(user_.messages.size(), c.chosen == folderAsFile ? 2u : 1u) << c.what;
            EXPECT_EQ(gbkToUtf8Lossy(user_.messages.back().text), c.message) << c.what;
        }
    }
    // Nothing half-written is left beside the files.
    for (const auto& entry : fs::directory_iterator(out_))
        EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos) << entry.path();
}

// A month of expenses alone: the 汇总 row and its CSV line carry the minus
// sign; the same month by direction stays positive.
TEST_F(CsvCommandTest, TheNetOfAMonthOfExpensesIsSavedNegative) {
    const double march2 = *dateFromCivil(2015, 3, 2);
    add({march2, Direction::Expense, gbk("房租"), 1200, gbk("爸爸"), "", false});
    add({march2 + 13, Direction::Expense, gbk("餐饮"), 425.8, gbk("妈妈"), "", false});
    add({march2 + 40, Direction::Income, gbk("工资"), 5000, gbk("爸爸"), "", false});
    const auto rows = entry::currentLedgerRows(state_);
    ASSERT_TRUE(rows);
    struct Case {
        int kind;
        std::string shown;  // the March row's amount
        std::string csv;
    };
    const Case cases[] = {
        {report::kSummaryKind, "-1625.8",
         "\xEF\xBB\xBF日期,方向,金额\r\n2015-03,汇总,-1625.8\r\n2015-04,汇总,5000\r\n"},
        {report::kBothKind, "1625.8",
         "\xEF\xBB\xBF日期,方向,金额\r\n2015-03,支出,1625.8\r\n2015-04,收入,5000\r\n"},
    };
    for (const Case& c : cases) {
        const report::Statistics statistics =
            report::runStatistics(*rows, report::kMonthUnit, c.kind);
        ASSERT_EQ(statistics.rows.size(), 2u);
        EXPECT_EQ(statistics.rows[0].amount, c.shown);
        const fs::path file = out_ / ("march" + std::to_string(c.kind) + ".csv");
        user_ = {};
        user_.saveFiles.push_back(file);
        EXPECT_TRUE(report::exportStatisticsCsvCommand(state_, statistics));
        EXPECT_EQ(fileBytes(file), c.csv) << c.kind;
    }
}

// The program's own files are never an export's target, whatever name leads
// to them; a file that is there is replaced only when the user says OK.
TEST_F(CsvCommandTest, TheSaveNeverWritesInTheDataFolderAndAsksBeforeReplacing) {
    const LedgerRows rows = household();
    const fs::path table = state_.run.root() / "data" / "家庭.edb";
    const std::string tableBefore = fileBytes(table);
    fs::create_directory_symlink(state_.run.root() / "data", out_ / "link");
    const fs::path existing = out_ / "old.csv";
    struct Case {
        const char* what;
        fs::path chosen;
        std::optional<MessageAnswer> answer;  // to the question to replace; none: not asked
        std::string message;                  // the first message (UTF-8)
        bool written;
    };
    const Case cases[] = {
        {"the ledger's own table", table, std::nullopt,
         "不能导出到软件的数据文件夹中，请选择其他位置：" + table.string(), false},
        {"a new file among the settings", state_.run.root() / "setup" / "x.csv", std::nullopt,
         "不能导出到软件的数据文件夹中，请选择其他位置：" +
             (state_.run.root() / "setup" / "x.csv").string(),
         false},
        {"the data folder by a link", out_ / "link" / "y.csv", std::nullopt,
         "不能导出到软件的数据文件夹中，请选择其他位置：" + (out_ / "link" / "y.csv").string(),
         false},
        {"a file there, kept", existing, MessageAnswer::Cancel,
         "这个位置已有同名的文件，要替换它吗？\n" + existing.string(), false},
        {"a file there, replaced", existing, MessageAnswer::Ok,
         "这个位置已有同名的文件，要替换它吗？\n" + existing.string(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::writeFile(existing, "mine");
        user_ = {};
        user_.saveFiles.push_back(c.chosen);
        if (c.answer) user_.answers.push_back(*c.answer);
        EXPECT_EQ(report::exportQueryCsvCommand(state_, rows, nullptr), c.written);
        ASSERT_FALSE(user_.messages.empty());
        EXPECT_EQ(gbkToUtf8Lossy(user_.messages[0].text), c.message);
        EXPECT_EQ(user_.messages[0].icon, c.answer ? MessageIcon::Warning : MessageIcon::Error);
        EXPECT_EQ(fileBytes(existing),
                  c.written ? report::entriesCsv(rows, nullptr) : std::string("mine"));
    }
    EXPECT_EQ(fileBytes(table), tableBefore);
    EXPECT_FALSE(fs::exists(state_.run.root() / "setup" / "x.csv"));
    EXPECT_FALSE(fs::exists(state_.run.root() / "data" / "y.csv"));
}

}  // namespace
}  // namespace qinghe
