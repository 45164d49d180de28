#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/ole_date.h"
#include "config/ini_file.h"
#include "entry/entry_changes.h"
#include "import/import_setup.h"
#include "import/import_texts.h"
#include "ledger/ledger_lifecycle.h"
#include "maintenance/backup.h"
#include "maintenance/folder_operations.h"
#include "maintenance/restore.h"
#include "tests/import/import_fixture.h"

// The import as a user meets it: a bill chosen, read, previewed with its rows'
// defaults, imported in one change, and the same bill again adding nothing.

namespace qinghe {
namespace {

using import::Reason;
using import::RowStatus;
using testing::AppRow;
using testing::gbk;
using Result = import::ImportBillResult;

class BillImportTest : public testing::ImportTest {};

std::vector<AppRow> monthOfAlipay() {
    return {
        AppRow{},
        AppRow{.time = "2024-01-06 12:00:00",
               .category = "转账红包",
               .counterparty = "外婆",
               .goods = "新年红包",
               .flow = "收入",
               .amount = "88.00",
               .number = "2024010622002"},
        AppRow{.time = "2024-01-07 09:30:00",
               .category = "投资理财",
               .counterparty = "余额宝",
               .goods = "转入",
               .flow = "不计收支",
               .amount = "500.00",
               .number = "2024010722003"},
        AppRow{.time = "2024-01-08 19:00:00",
               .category = "餐饮美食",
               .counterparty = "面馆",
               .goods = "牛肉面",
               .amount = "18.00",
               .status = "交易关闭",
               .number = "2024010822004"},
        AppRow{.time = "2024-01-09 15:00:00",
               .category = "餐饮美食",
               .counterparty = "咖啡☕店",
               .goods = "拿铁",
               .amount = "1234.56",
               .number = "2024010922005"},
    };
}

TEST_F(BillImportTest, AlipayBillIsPreviewedImportedOnceAndNeverAgain) {
    const auto file = bill("alipay.csv", testing::alipayCsv(monthOfAlipay()));
    ASSERT_EQ(importFile(file,
                         [&](Model& model) {
                             EXPECT_EQ(model.format(), import::BillFormat::Alipay);
                             const auto& rows = model.rows();
                             ASSERT_EQ(rows.size(), 5u);
                             const std::vector<bool> ticked = {true, true, false, false, true};
                             for (std::size_t i = 0; i < rows.size(); ++i)
                                 EXPECT_EQ(rows[i].ticked, ticked[i]) << i;
                             EXPECT_EQ(rows[2].reason, Reason::Neutral);
                             EXPECT_EQ(rows[3].reason, Reason::NotThrough);
                             EXPECT_EQ(gbkToUtf8(model.statusText(3)).value(), "跳过：交易未成功");
                             EXPECT_EQ(rows[0].line, 7u);
                             // GBK holds no emoji: shown as stored, and said so.
                             EXPECT_EQ(gbkToUtf8(rows[4].note).value(), "咖啡?店 拿铁");
                             EXPECT_TRUE(rows[4].replaced);
                             EXPECT_NE(model.statusText(4).find(import::texts::kReasonReplaced),
                                       std::string::npos);
                             model.setMemberForAll(gbk("妈妈"));
                             EXPECT_TRUE(model.importTicked());
                         }),
              Result::Imported);
    EXPECT_EQ(lastMessage(), "已导入 3 条账目。");
    ASSERT_EQ(rows().size(), 3u);
    const EntryValues first = rows().values(0);
    EXPECT_EQ(first.date, *dateTimeFromCivil(2024, 1, 5, 8, 12, 30));
    EXPECT_EQ(first.direction, Direction::Expense);
    EXPECT_EQ(first.amount, 12.5);
    EXPECT_EQ(first.item, gbk("餐饮"));  // the default: the first expense item
    EXPECT_EQ(first.member, gbk("妈妈"));
    EXPECT_EQ(first.note, gbk("早点铺 豆浆油条"));
    EXPECT_EQ(rows().values(1).direction, Direction::Income);
    EXPECT_EQ(rows().values(1).amount, 88.0);
    EXPECT_EQ(rows().values(1).item, gbk("工资"));
    EXPECT_EQ(rows().values(2).amount, 1234.56);
    EXPECT_EQ(walked(), testing::allValues(rows()));
    EXPECT_EQ(numbers().keys.size(), 3u);
    EXPECT_FALSE(numbers().pending);

    // The user changes the imported entry; the bill comes in again.
    EntryValues changed = rows().values(0);
    changed.amount = 13;
    changed.note = gbk("改过");
    ASSERT_TRUE(entry::changeEntry(state_, 0, changed, std::nullopt, &view_));
    ASSERT_EQ(importFile(file,
                         [](Model& model) {
                             EXPECT_EQ(model.tickedCount(), 0u);
                             EXPECT_EQ(model.rows()[0].status, RowStatus::Duplicate);
                             EXPECT_EQ(model.rows()[0].reason, Reason::ImportedBefore);
                             // A row imported before cannot be ticked again.
                             model.setTicked(0, true);
                             EXPECT_FALSE(model.rows()[0].ticked);
                             EXPECT_FALSE(model.importTicked());
                         }),
              Result::Cancelled);
    EXPECT_EQ(lastMessage(), "没有勾选任何要导入的账目。");
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(BillImportTest, RefundsNetOutAndNeutralRowsStayOut) {
    const std::vector<AppRow> rows = {
        // Refunded in full: the purchase and its refund cancel out.
        AppRow{.time = "2024-01-05 10:00:00",
               .category = "商户消费",
               .counterparty = "鞋店",
               .goods = "跑鞋",
               .amount = "30.00",
               .status = "已全额退款",
               .number = "W1",
               .merchant = "M1"},
        AppRow{.time = "2024-01-06 10:00:00",
               .category = "商户消费-退款",
               .counterparty = "鞋店",
               .goods = "跑鞋",
               .flow = "收入",
               .amount = "30.00",
               .status = "已全额退款",
               .number = "W2",
               .merchant = "M1"},
        // Refunded in part: counted at what it cost after the refund.
        AppRow{.time = "2024-01-07 10:00:00",
               .category = "商户消费",
               .counterparty = "超市",
               .goods = "日用品",
               .amount = "50.00",
               .status = "已退款(￥20.00)",
               .number = "W3",
               .merchant = "M3"},
        AppRow{.time = "2024-01-08 10:00:00",
               .category = "商户消费-退款",
               .counterparty = "超市",
               .goods = "日用品",
               .flow = "收入",
               .amount = "20.00",
               .status = "已退款",
               .number = "W4",
               .merchant = "M3"},
        // The refund of last month's purchase is money back: income.
        AppRow{.time = "2024-01-09 10:00:00",
               .category = "商户消费-退款",
               .counterparty = "书店",
               .goods = "书",
               .flow = "收入",
               .amount = "15.00",
               .status = "已全额退款",
               .number = "W5",
               .merchant = "M9"},
        // Moving money to one's bank account is neither.
        AppRow{.time = "2024-01-10 10:00:00",
               .category = "零钱提现",
               .counterparty = "招商银行",
               .goods = "/",
               .flow = "/",
               .amount = "100.00",
               .status = "提现已到账",
               .number = "W6"},
        // Refunded in part by the web export's own column.
        AppRow{.time = "2024-01-11 10:00:00",
               .category = "商户消费",
               .counterparty = "花店",
               .goods = "花",
               .amount = "40.00",
               .status = "支付成功",
               .number = "W7"},
    };
    const auto file = bill("wechat.xlsx", testing::weChatXlsx(rows));
    ASSERT_EQ(importFile(file,
                         [](Model& model) {
                             EXPECT_EQ(model.format(), import::BillFormat::WeChat);
                             const auto& r = model.rows();
                             ASSERT_EQ(r.size(), 7u);
                             struct Expect {
                                 bool ticked;
                                 Reason reason;
                                 const char* amount;
                             } expected[] = {
                                 {false, Reason::RefundedInFull, "30.00"},
                                 {false, Reason::RefundSettled, "30.00"},
                                 {true, Reason::PartlyRefunded, "30.00"},
                                 {false, Reason::RefundDeducted, "20.00"},
                                 {true, Reason::RefundAlone, "15.00"},
                                 {false, Reason::Neutral, "100.00"},
                                 {true, Reason::None, "40.00"},
                             };
                             for (std::size_t i = 0; i < r.size(); ++i) {
                                 EXPECT_EQ(r[i].ticked, expected[i].ticked) << i;
                                 EXPECT_EQ(r[i].reason, expected[i].reason) << i;
                                 EXPECT_EQ(r[i].amount.digits, expected[i].amount) << i;
                             }
                             EXPECT_EQ(r[4].direction, Direction::Income);
                             EXPECT_TRUE(model.importTicked());
                         }),
              Result::Imported);
    ASSERT_EQ(this->rows().size(), 3u);
    EXPECT_EQ(this->rows().values(0).amount, 30.0);
    EXPECT_EQ(this->rows().values(1).amount, 15.0);

    // The web export states its refunds in a column of its own.
    const auto web =
        bill("web.csv", testing::alipayWebCsv({AppRow{.amount = "100.00", .number = "A1"},
                                               AppRow{.amount = "60.00", .number = "A2"}},
                                              {"25.50", "60.00"}));
    ASSERT_EQ(importFile(web,
                         [](Model& model) {
                             EXPECT_EQ(model.format(), import::BillFormat::AlipayWeb);
                             ASSERT_EQ(model.rows().size(), 2u);
                             EXPECT_EQ(model.rows()[0].amount.digits, "74.50");
                             EXPECT_TRUE(model.rows()[0].ticked);
                             EXPECT_FALSE(model.rows()[1].ticked);
                             EXPECT_EQ(model.rows()[1].reason, Reason::RefundedInFull);
                         }),
              Result::Cancelled);
}

TEST_F(BillImportTest, WeChatHeaderIsFoundOnWhicheverRowItMovedTo) {
    for (const int headerRow : {17, 18, 19}) {
        for (const bool workbook : {true, false}) {
            const AppRow row{.number = "H" + std::to_string(headerRow) + (workbook ? "x" : "c")};
            const auto file = workbook ? bill("w.xlsx", testing::weChatXlsx({row}, headerRow))
                                       : bill("w.csv", testing::weChatCsv({row}, headerRow));
            ASSERT_EQ(importFile(file,
                                 [&](Model& model) {
                                     ASSERT_EQ(model.rows().size(), 1u);
                                     EXPECT_EQ(model.rows()[0].line,
                                               static_cast<std::size_t>(headerRow + 1));
                                     EXPECT_EQ(model.rows()[0].amount.digits, "12.50");
                                     EXPECT_TRUE(model.rows()[0].ticked);
                                 }),
                      Result::Cancelled)
                << headerRow << workbook;
        }
    }
}

TEST_F(BillImportTest, PasswordZipInEitherCipherAsksUntilThePasswordIsRight) {
    for (const zip_uint16_t method : {ZIP_EM_TRAD_PKWARE, ZIP_EM_AES_256}) {
        SCOPED_TRACE(method);
        const std::string number = "Z" + std::to_string(method);
        const std::string inner = testing::weChatXlsx(
            {AppRow{.amount = std::to_string(method) + ".00", .number = number}});
        const auto file =
            bill("bill.zip", testing::zipOf({{"微信支付账单.xlsx", inner}}, "246810", method));
        user_.messages.clear();
        user_.texts = {std::string("135791"), std::string("246810")};
        const std::size_t before = rows().size();
        ASSERT_EQ(importDefaults(file), Result::Imported) << lastMessage();
        EXPECT_EQ(rows().size(), before + 1);
        ASSERT_EQ(user_.textRequests.size(), 2u);
        EXPECT_EQ(user_.textRequests[0].prompt, gbk("请输入账单压缩包的解压密码"));
        ASSERT_GE(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].text, gbk("解压密码不正确，请重新输入！"));
        user_.textRequests.clear();

        // Cancelling the password changes nothing and says nothing more.
        user_.messages.clear();
        user_.texts = {std::nullopt};
        EXPECT_EQ(importDefaults(file), Result::Cancelled);
        EXPECT_TRUE(user_.messages.empty());
        EXPECT_EQ(rows().size(), before + 1);
        user_.textRequests.clear();
        user_.windowVisits.clear();
    }
}

TEST_F(BillImportTest, BankStatementMappingIsRememberedPerHeader) {
    const std::string header = "记账日期,记账时间,摘要,收入金额,支出金额,账户余额,对方户名\r\n";
    const auto first = bill("bank1.csv", utf8ToGbk("中国某某银行账户明细\r\n" + header +
                                                   "20240105,101500,消费,,35.20,964.80,超市\r\n"
                                                   "20240106,090000,工资,8000.00,,8964.80,单位\r\n"
                                                   "合计,,,8000.00,35.20,,\r\n")
                                             .value());
    ASSERT_EQ(importFile(first,
                         [](Model& model) {
                             ASSERT_TRUE(model.mapped());
                             const auto& map = model.mapping();
                             EXPECT_EQ(map[import::MappedField::Date], 0u);
                             EXPECT_EQ(map[import::MappedField::Time], 1u);
                             EXPECT_EQ(map[import::MappedField::Income], 3u);
                             EXPECT_EQ(map[import::MappedField::Expense], 4u);
                             EXPECT_EQ(map[import::MappedField::Counterparty], 6u);
                             // The user takes the 摘要 as the item instead of the note.
                             EXPECT_TRUE(model.setMapping(import::MappedField::Note, std::nullopt));
                             EXPECT_TRUE(model.setMapping(import::MappedField::Item, 2u));
                             ASSERT_EQ(model.rows().size(), 3u);
                             EXPECT_EQ(model.rows()[2].reason, Reason::Summary);
                             EXPECT_FALSE(model.canTick(2));
                             EXPECT_EQ(model.rows()[0].direction, Direction::Expense);
                             EXPECT_EQ(model.rows()[1].direction, Direction::Income);
                             EXPECT_TRUE(model.importTicked());
                         }),
              Result::Imported);
    ASSERT_EQ(rows().size(), 2u);
    EXPECT_EQ(rows().values(0).date, *dateTimeFromCivil(2024, 1, 5, 10, 15, 0));
    EXPECT_EQ(rows().values(0).amount, 35.2);
    EXPECT_EQ(rows().values(0).note, gbk("超市"));
    EXPECT_EQ(rows().values(1).item, gbk("工资"));  // 摘要 "工资" names an income item

    // Next month's statement: the same header, the mapping as chosen.
    const auto second =
        bill("bank2.csv", utf8ToGbk(header + "20240205,101500,消费,,35.20,929.60,超市\r\n"
                                             "20240105,101500,消费,,35.20,964.80,超市\r\n")
                              .value());
    ASSERT_EQ(importFile(second,
                         [](Model& model) {
                             EXPECT_FALSE(model.mapping()[import::MappedField::Note]);
                             EXPECT_EQ(model.mapping()[import::MappedField::Item], 2u);
                             ASSERT_EQ(model.rows().size(), 2u);
                             EXPECT_TRUE(model.rows()[0].ticked);
                             // The same line as last month's: imported before.
                             EXPECT_EQ(model.rows()[1].reason, Reason::ImportedBefore);
                         }),
              Result::Cancelled);
    const auto setup = import::loadImportSetup(state_.run);
    EXPECT_EQ(setup.mappings.size(), 1u);
}

TEST_F(BillImportTest, CategoryMapAppliesToEveryRowAndIsRemembered) {
    const std::vector<AppRow> month = {
        AppRow{.category = "餐饮美食", .number = "C1"},
        AppRow{.category = "餐饮美食", .counterparty = "面馆", .number = "C2"},
        AppRow{.category = "交通出行", .counterparty = "地铁", .number = "C3"},
    };
    const auto file = bill("a.csv", testing::alipayCsv(month));
    ASSERT_EQ(importFile(file,
                         [](Model& model) {
                             model.setItem(0, gbk("早餐"), true);
                             EXPECT_EQ(model.rows()[1].item, gbk("早餐"));
                             EXPECT_EQ(model.rows()[2].item, gbk("餐饮"));
                             model.setDefaultItem(Direction::Expense, gbk("交通"));
                             EXPECT_EQ(model.rows()[2].item, gbk("交通"));
                             EXPECT_EQ(model.rows()[1].item, gbk("早餐"));
                             EXPECT_TRUE(model.importTicked());
                         }),
              Result::Imported);
    // A new item goes in front of its list, as the add window does it.
    EXPECT_EQ(state_.settings.expenseItems.front(), gbk("早餐"));
    const auto next =
        bill("b.csv", testing::alipayCsv({AppRow{.category = "餐饮美食", .number = "C4"},
                                          AppRow{.category = "生活服务", .number = "C5"}}));
    ASSERT_EQ(importFile(next,
                         [](Model& model) {
                             EXPECT_EQ(model.rows()[0].item, gbk("早餐"));
                             EXPECT_EQ(model.rows()[1].item, gbk("交通"));  // the default
                         }),
              Result::Cancelled);
}

TEST_F(BillImportTest, EntryTypedByHandMakesTheRowAPossibleDuplicate) {
    addEntries({{.date = *dateTimeFromCivil(2024, 1, 5, 20, 0, 0),
                 .direction = Direction::Expense,
                 .item = gbk("餐饮"),
                 .amount = 12.5}});
    ASSERT_EQ(importFile(bill("a.csv", testing::alipayCsv({AppRow{}})),
                         [](Model& model) {
                             EXPECT_EQ(model.rows()[0].status, RowStatus::PossibleDuplicate);
                             EXPECT_FALSE(model.rows()[0].ticked);
                             EXPECT_TRUE(model.canTick(0));
                         }),
              Result::Cancelled);
}

TEST_F(BillImportTest, LongNotesAreCutOnACharacterBoundary) {
    std::string goods;
    for (int i = 0; i < 300; ++i) goods += "豆";
    ASSERT_EQ(importDefaults(bill(
                  "a.csv", testing::alipayCsv({AppRow{.counterparty = "xy", .goods = goods}}))),
              Result::Imported);
    // "xy " and 254 characters of two bytes: 512 bytes would split the next.
    EXPECT_EQ(rows().values(0).note.size(), 511u);
    EXPECT_TRUE(gbkToUtf8(rows().values(0).note).has_value());
}

TEST_F(BillImportTest, BadInputIsRefusedWithItsMessageAndNothingChanges) {
    const std::string good = testing::alipayCsv({AppRow{}});
    const std::string book = testing::weChatXlsx({AppRow{}});
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;  // what the message says after the file's name
    };
    std::string alipayHead = gbkToUtf8(good).value();
    alipayHead = alipayHead.substr(0, alipayHead.find("2024-01-05"));
    auto alipayWith = [&](const std::string& row) { return utf8ToGbk(alipayHead + row).value(); };
    const std::vector<Case> cases = {
        {"empty.csv", "", "是空文件，没有可导入的账目。"},
        {"cut.zip", testing::zipOf({{"a.csv", good}}).substr(0, 40),
         "不是完整的压缩包，可能已经损坏或没有下载完整。"},
        {"cut.xlsx", book.substr(0, book.size() - 30),
         "不是完整的压缩包，可能已经损坏或没有下载完整。"},
        {"not.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00\xFF\xFE", 12),
         "既不是文本账单（CSV），也不是 Excel 工作簿，无法识别。"},
        {"sheetless.xlsx",
         testing::zipOf({{"xl/workbook.xml", "<workbook/>"},
                         {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row>"}}),
         "不是有效的 Excel 工作簿（.xlsx），可能已经损坏或没有下载完整。"},
        {"others.zip", testing::zipOf({{"photo.jpg", std::string("\xFF\xD8\xFF\x00", 4)}}),
         "是一个压缩包，但里面没有可以识别的账单文件。"},
        {"quote.csv", alipayWith("2024-01-05 08:12:30,餐饮美食,\"早点铺,/,豆浆\r\n"),
         "第 7 行的引号没有结束，文件可能不完整，未导入任何账目。"},
        {"amount.csv",
         alipayWith(
             "2024-01-05 08:12:30,餐饮美食,早点铺,/,豆浆,支出,1e13,余额宝,交易成功,N1,,,\r\n"),
         "第 7 行的金额不是有效的数字（最大为 1000000000000），未导入任何账目。"},
        {"nan.csv",
         alipayWith(
             "2024-01-05 08:12:30,餐饮美食,早点铺,/,豆浆,支出,12.50,余额宝,交易成功,N1,,,\r\n"
             "2024-01-06 08:12:30,餐饮美食,早点铺,/,豆浆,支出,NaN,余额宝,交易成功,N2,,,\r\n"),
         "第 8 行的金额不是有效的数字（最大为 1000000000000），未导入任何账目。"},
        {"date.csv",
         alipayWith(
             "2024-13-05 08:12:30,餐饮美食,早点铺,/,豆浆,支出,12.50,余额宝,交易成功,N1,,,\r\n"),
         "第 7 行的日期无法识别，未导入任何账目。"},
        {"list.txt", "one\ntwo\nthree\n", "里找不到账单的表头和账目，无法识别。"},
    };
    addEntries({{.date = 45000, .item = gbk("餐饮"), .amount = 1}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        user_.messages.clear();
        EXPECT_EQ(importDefaults(bill(c.name, c.bytes)), Result::Refused);
        EXPECT_EQ(lastMessage(), std::string("账单文件“") + c.name + "”" + c.message);
        EXPECT_EQ(rows().size(), 1u);
        EXPECT_EQ(walked().size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(folder_ / "data" / "家庭.imported"));
        user_.windowVisits.clear();
    }

    // A table of no known form whose columns are not given cannot be imported.
    user_.messages.clear();
    const auto unknown = bill("unknown.csv", "名称,数量\n苹果,3\n梨,4\n");
    EXPECT_EQ(importFile(unknown,
                         [](Model& model) {
                             EXPECT_TRUE(model.mapped());
                             EXPECT_TRUE(model.rows().empty());
                             EXPECT_FALSE(model.importTicked());
                         }),
              Result::Cancelled);
    EXPECT_EQ(lastMessage(),
              "账单文件“unknown.csv”不是支付宝或微信支付的账单：请先指定日期和金额所在的列。");
    EXPECT_EQ(rows().size(), 1u);

    // The wrong password, then giving up.
    user_.messages.clear();
    user_.texts = {std::string("1"), std::nullopt};
    EXPECT_EQ(importDefaults(bill("p.zip", testing::zipOf({{"a.csv", good}}, "2"))),
              Result::Cancelled);
    EXPECT_EQ(lastMessage(), "解压密码不正确，请重新输入！");
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(BillImportTest, NumbersGoWithBackupsRestoresAndTheLedger) {
    const auto file = bill("a.csv", testing::alipayCsv({AppRow{}}));
    ASSERT_EQ(importDefaults(file), Result::Imported);
    const auto numbersFile = folder_ / "data" / "家庭.imported";
    ASSERT_TRUE(std::filesystem::exists(numbersFile));

    // A backup keeps the file; a restore brings it back.
    ASSERT_TRUE(state_.tables.closeAll());
    state_.currentLedger.close();
    maintenance::PosixFolderOperations ops;
    ASSERT_TRUE(maintenance::makeBackup(ops, state_.run, clock_).complete);
    std::filesystem::remove(numbersFile);
    ASSERT_EQ(maintenance::restoreGeneration(ops, state_.run, ""),
              maintenance::RestoreResult::Restored);
    ASSERT_TRUE(std::filesystem::exists(numbersFile));
    ASSERT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    EXPECT_EQ(
        importFile(file,
                   [](Model& model) { EXPECT_EQ(model.rows()[0].reason, Reason::ImportedBefore); }),
        Result::Cancelled);

    // "删除账簿" takes it with the ledger: a new ledger of the same name starts afresh.
    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_FALSE(std::filesystem::exists(numbersFile));
}

}  // namespace
}  // namespace qinghe
