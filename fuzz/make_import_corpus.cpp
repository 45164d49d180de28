// Writes the seed corpus of import_fuzzer: small synthetic bills of each form
// (支付宝 in both exports, 微信支付 as CSV and workbook, a bank statement), a
// ZIP archive of each cipher with the password the fuzzer tries, and cut ones.
// Usage: make_import_corpus <output folder>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/import/bill_files.h"

int main(int argc, char** argv) {
    using namespace qinghe::testing;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_import_corpus <output folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const std::vector<AppRow> rows = {
        AppRow{},
        AppRow{.time = "2024-01-06 10:00:00",
               .category = "商户消费-退款",
               .flow = "收入",
               .amount = "5.00",
               .status = "已退款",
               .number = "2024010522001_1",
               .merchant = "M1"},
        AppRow{.flow = "不计收支", .amount = "1,000.00", .status = "交易关闭", .number = "X"},
    };
    const std::string alipay = alipayCsv(rows);
    const std::string book = weChatXlsx(rows);
    const std::pair<const char*, std::string> files[] = {
        {"alipay", alipay},
        {"alipay-web", alipayWebCsv(rows, {"0.00", "2.00"})},
        {"wechat-csv", weChatCsv(rows)},
        {"wechat-xlsx", book},
        {"bank",
         "记账日期,时间,摘要,收入,支出,余额\n20240105,101500,超市,,35.20,9.8\n合计,,,0,35.20,\n"},
        {"zip-pkware", zipOf({{"a.csv", alipay}}, "123456", ZIP_EM_TRAD_PKWARE)},
        {"zip-aes", zipOf({{"b.xlsx", book}}, "123456", ZIP_EM_AES_256)},
        {"zip-cut", zipOf({{"a.csv", alipay}}).substr(0, 60)},
        {"quote", "a,\"b\nc"},
    };
    for (const auto& [name, bytes] : files) writeFile(folder / name, bytes);
    return 0;
}
