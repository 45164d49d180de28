#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <variant>

#include "common/ole_date.h"
#include "import/bill_formats.h"
#include "import/bill_text.h"
#include "import/bill_values.h"
#include "import/csv_reader.h"
#include "import/xlsx_sheet.h"
#include "import/zip_archive.h"
#include "tests/import/bill_files.h"

// Reading a bill's bytes: the encodings, CSV quoting, ZIP archives in both
// ciphers, workbooks, amounts and dates as the apps and banks write them.

namespace qinghe::import {
namespace {

using testing::AppRow;

TEST(BillTextTest, RecognisesUtf8WithAndWithoutMarkAndGb18030) {
    const std::string utf8 = "交易时间,金额";
    struct Case {
        std::string bytes;
        TextEncoding encoding;
    } cases[] = {
        {"\xEF\xBB\xBF" + utf8, TextEncoding::Utf8},
        {utf8, TextEncoding::Utf8},
        {utf8ToGbk(utf8).value(), TextEncoding::Gb18030},
        {"plain ascii", TextEncoding::Utf8},
    };
    for (const Case& c : cases) {
        const auto text = decodeBillText(c.bytes);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->encoding, c.encoding);
        EXPECT_EQ(text->utf8, c.bytes == "plain ascii" ? "plain ascii" : utf8);
    }
    // A character beyond GBK, in GB18030's four-byte form.
    EXPECT_EQ(decodeBillText("\x81\x30\x81\x30")->utf8, "\xC2\x80");
    // A binary file is no text.
    EXPECT_FALSE(decodeBillText(std::string("\xFF\xFF\x00\x01", 4)));
}

TEST(BillTextTest, TextGbkCannotHoldIsReplacedVisibly) {
    const StoredText plain = toStoredText("早点铺");
    EXPECT_EQ(plain.gbk, utf8ToGbk("早点铺").value());
    EXPECT_FALSE(plain.replaced);
    const StoredText emoji = toStoredText("咖啡☕🍰店");
    EXPECT_TRUE(emoji.replaced);
    EXPECT_EQ(gbkToUtf8(emoji.gbk).value(), "咖啡??店");
}

TEST(CsvReaderTest, ReadsQuotesLineBreaksAndLineNumbers) {
    const auto read = readCsv("a,\"b,1\",\"say \"\"hi\"\"\"\r\n\r\n\"two\nlines\",x\rlast,");
    const auto& table = std::get<BillTable>(read);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].cells.size(), 3u);
    EXPECT_EQ(table[0].cells[1].text, "b,1");
    EXPECT_EQ(table[0].cells[2].text, "say \"hi\"");
    EXPECT_TRUE(table[1].cells.empty());
    EXPECT_EQ(table[2].cells[0].text, "two\nlines");
    EXPECT_EQ(table[2].line, 3u);
    EXPECT_EQ(table[3].line, 5u);
    EXPECT_EQ(table[3].cells[1].text, "");

    const auto unclosed = readCsv("a,b\nc,\"never\nclosed");
    ASSERT_TRUE(std::holds_alternative<UnclosedQuote>(unclosed));
    EXPECT_EQ(std::get<UnclosedQuote>(unclosed).line, 2u);
}

TEST(BillValuesTest, AmountsAsTheAppsAndBanksWriteThem) {
    struct Case {
        const char* text;
        bool number;
        std::optional<Money> expected;
    } cases[] = {
        {"12.50", false, Money{false, "12.50"}},
        {"12.50\t", false, Money{false, "12.50"}},
        {"¥12.50", false, Money{false, "12.50"}},
        {"￥1,234.56", false, Money{false, "1234.56"}},
        {"-3.00", false, Money{true, "3.00"}},
        {"+8", false, Money{false, "8"}},
        {"¥-2.5", false, Money{true, "2.5"}},
        {"1.5E+3", true, Money{false, "1500"}},
        {"1000000000000", false, Money{false, "1000000000000"}},
        {"1000000000000.01", false, std::nullopt},
        {"1e13", true, std::nullopt},
        {"1e400", true, std::nullopt},
        {"nan", false, std::nullopt},
        {"inf", true, std::nullopt},
        {"12,34", false, std::nullopt},
        {"abc", false, std::nullopt},
        {"", false, std::nullopt},
        {"1.2.3", false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseMoney({c.text, c.number}), c.expected) << c.text;
    }
    // The stored value is the add window's, to the last bit.
    EXPECT_EQ(parseMoney({"12.345", false})->value(), 12.345);
    EXPECT_EQ(*subtractMoney(Money{false, "100.10"}, Money{false, "0.3"}), (Money{false, "99.80"}));
    EXPECT_FALSE(subtractMoney(Money{false, "1"}, Money{false, "1.01"}));
    EXPECT_EQ(addMoney(Money{false, "0.1"}, Money{false, "0.2"}), (Money{false, "0.3"}));
}

TEST(BillValuesTest, DatesAndTimesInEveryCommonForm) {
    const double day = *dateFromCivil(2024, 1, 5);
    const double at = *dateTimeFromCivil(2024, 1, 5, 8, 12, 30);
    struct Case {
        Cell date;
        std::optional<Cell> time;
        std::optional<double> expected;
    } cases[] = {
        {{"2024-01-05 08:12:30"}, std::nullopt, at},
        {{"2024/1/5 8:12:30"}, std::nullopt, at},
        {{"2024-01-05T08:12:30"}, std::nullopt, at},
        {{"2024.01.05"}, std::nullopt, day},
        {{"2024年1月5日"}, std::nullopt, day},
        {{"20240105"}, Cell{"081230"}, at},
        {{"2024-01-05"}, Cell{"08:12:30"}, at},
        {{"45296.342013888889", true}, std::nullopt, at},
        {{"2024-02-30"}, std::nullopt, std::nullopt},
        {{"2024-01-05 25:00"}, std::nullopt, std::nullopt},
        {{"合计"}, std::nullopt, std::nullopt},
        {{"05/01/2024"}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = parseBillDateTime(c.date, c.time ? &*c.time : nullptr);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.date.text;
        if (got) {
            EXPECT_NEAR(*got, *c.expected, 1e-9) << c.date.text;
        }
    }
}

TEST(ZipArchiveTest, OpensBothCiphersWithThePasswordOnly) {
    const std::string bill = testing::alipayCsv({AppRow{}});
    for (const zip_uint16_t method : {ZIP_EM_TRAD_PKWARE, ZIP_EM_AES_256, ZIP_EM_AES_128}) {
        const std::string archive = testing::zipOf({{"bill.csv", bill}}, "123456", method);
        auto zip = ZipArchive::open(archive);
        ASSERT_TRUE(zip) << method;
        ASSERT_EQ(zip->entries().size(), 1u);
        EXPECT_TRUE(zip->entries()[0].encrypted);
        EXPECT_EQ(zip->read(0).error, ZipArchive::ReadError::NeedsPassword);
        // The traditional cipher lets one password in 256 past its check byte;
        // the checksum then tells it was wrong.
        for (const char* wrong : {"000000", "654321", "1234567", "x"}) {
            const auto read = zip->read(0, std::string(wrong));
            EXPECT_FALSE(read.bytes) << method << " " << wrong;
            EXPECT_EQ(read.error, ZipArchive::ReadError::WrongPassword) << method << " " << wrong;
        }
        const auto read = zip->read(0, std::string("123456"));
        ASSERT_TRUE(read.bytes) << method;
        EXPECT_EQ(*read.bytes, bill);
    }
    EXPECT_FALSE(ZipArchive::open("PK\x03\x04 truncated"));
    const std::string whole = testing::zipOf({{"bill.csv", bill}});
    EXPECT_FALSE(ZipArchive::open(whole.substr(0, whole.size() / 2)));
}

TEST(XlsxSheetTest, ReadsTheFirstSheetWithSharedStringsAndNumbers) {
    const std::string book = testing::xlsxOf({{"名称", "", "金额"}, {"早点铺 & 豆浆", "", "12.5"}},
                                             {false, false, true});
    EXPECT_TRUE(isXlsx(book));
    const auto read = readXlsxSheet(book);
    ASSERT_TRUE(std::holds_alternative<BillTable>(read));
    const BillTable& table = std::get<BillTable>(read);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].line, 2u);
    ASSERT_EQ(table[1].cells.size(), 3u);
    EXPECT_EQ(table[1].cells[0].text, "早点铺 & 豆浆");
    EXPECT_TRUE(table[1].cells[1].text.empty());
    EXPECT_EQ(table[1].cells[2], (Cell{"12.5", true}));

    // An archive without a workbook, a workbook whose sheet is no XML, and a
    // shared string that is not there.
    EXPECT_EQ(std::get<XlsxError>(readXlsxSheet(testing::zipOf({{"a.txt", "x"}}))),
              XlsxError::NotWorkbook);
    EXPECT_EQ(std::get<XlsxError>(readXlsxSheet("not a zip")), XlsxError::NotWorkbook);
    const std::string broken =
        testing::zipOf({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData"}});
    EXPECT_EQ(std::get<XlsxError>(readXlsxSheet(broken)), XlsxError::Damaged);
    const std::string missing = testing::zipOf(
        {{"xl/workbook.xml", "<workbook/>"},
         {"xl/worksheets/sheet1.xml",
          "<worksheet><sheetData><row><c t=\"s\"><v>7</v></c></row></sheetData></worksheet>"}});
    EXPECT_EQ(std::get<XlsxError>(readXlsxSheet(missing)), XlsxError::Damaged);
}

TEST(BillFormatsTest, FindsEachKnownHeaderWhereverItIs) {
    struct Case {
        std::string utf8;
        BillFormat format;
        std::size_t headerRow;
    };
    const std::vector<Case> cases = {
        {gbkToUtf8(testing::alipayCsv({AppRow{}}, 2)).value(), BillFormat::Alipay, 3},
        {gbkToUtf8(testing::alipayCsv({AppRow{}}, 9)).value(), BillFormat::Alipay, 10},
        {gbkToUtf8(testing::alipayWebCsv({AppRow{}})).value(), BillFormat::AlipayWeb, 2},
        {testing::weChatCsv({AppRow{}}, 17).substr(3), BillFormat::WeChat, 16},
        {testing::weChatCsv({AppRow{}}, 19).substr(3), BillFormat::WeChat, 18},
    };
    for (const Case& c : cases) {
        const auto table = std::get<BillTable>(readCsv(c.utf8));
        const auto header = findKnownHeader(table);
        ASSERT_TRUE(header) << c.headerRow;
        EXPECT_EQ(header->format, c.format);
        EXPECT_EQ(header->row, c.headerRow);
        const auto records = std::get<std::vector<BillRecord>>(readRecords(table, *header, {}));
        ASSERT_EQ(records.size(), 1u) << c.headerRow;
        EXPECT_EQ(records[0].number, "2024010522001");
        EXPECT_EQ(records[0].amount, (Money{false, "12.50"}));
        EXPECT_EQ(records[0].flow, Flow::Expense);
        EXPECT_EQ(records[0].counterparty, "早点铺");
    }
    const auto bank = std::get<BillTable>(readCsv("交易日期,摘要,金额,余额\n20240105,x,-1,9\n"));
    EXPECT_FALSE(findKnownHeader(bank));
    const auto header = findMappedHeader(bank, {});
    ASSERT_TRUE(header);
    EXPECT_EQ(header->row, 0u);
    const ColumnMapping guess = guessMapping(header->names);
    EXPECT_EQ(guess[MappedField::Date], 0u);
    EXPECT_EQ(guess[MappedField::Note], 1u);
    EXPECT_EQ(guess[MappedField::Amount], 2u);
    EXPECT_TRUE(guess.complete());
}

}  // namespace
}  // namespace qinghe::import
