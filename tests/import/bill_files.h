#pragma once

#include <iconv.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gbk.h"

// Small synthetic bills of each form the importer reads, written by the tests
// themselves: the payment apps' CSV exports, 微信支付's workbook, and ZIP
// archives around them (with a password, in either cipher). No real person's
// bill is used anywhere.

namespace qinghe::testing {

// UTF-8 text in GB18030, as 支付宝 writes its bills: GBK for every character
// GBK has, four bytes for the others (an emoji).
inline std::string gb18030(const std::string& utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* at = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &at, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// One transaction of a payment app's bill (UTF-8 texts).
struct AppRow {
    std::string time = "2024-01-05 08:12:30";
    std::string category = "餐饮美食";
    std::string counterparty = "早点铺";
    std::string goods = "豆浆油条";
    std::string flow = "支出";
    std::string amount = "12.50";
    std::string status = "交易成功";
    std::string number = "2024010522001";
    std::string merchant = "";
};

// 支付宝's current export: GBK, metadata lines, the header, trailing commas,
// numbers ending in a tab, a line of dashes and notes after the rows.
inline std::string alipayCsv(const std::vector<AppRow>& rows, int metadataLines = 4) {
    std::string text;
    for (int i = 0; i < metadataLines; ++i)
        text += "支付宝交易记录明细查询说明第" + std::to_string(i + 1) + "行\r\n";
    text +=
        "----------------------------------------电子客户回单--------------------------------------"
        "--\r\n";
    text +=
        "交易时间,交易分类,交易对方,对方账号,商品说明,收/支,金额,收/付款方式,交易状态,交易订单号,"
        "商家订单号,备注,\r\n";
    for (const AppRow& r : rows) {
        text += r.time + "," + r.category + "," + r.counterparty + ",/," + r.goods + "," + r.flow +
                "," + r.amount + ",余额宝," + r.status + "," + r.number + "\t," + r.merchant +
                "\t,,\r\n";
    }
    text +=
        "----------------------------------------------------------------------------------\r\n";
    text += "共" + std::to_string(rows.size()) + "笔记录\r\n";
    return gb18030(text);
}

// 支付宝's older web export (GBK).
inline std::string alipayWebCsv(const std::vector<AppRow>& rows,
                                const std::vector<std::string>& refunded = {}) {
    std::string text = "支付宝交易记录明细查询\r\n账号:[test@example.com]\r\n";
    text +=
        "交易号,商家订单号,交易创建时间,付款时间,最近修改时间,交易来源地,类型,交易对方,商品名称,"
        "金额（元）,收/支,交易状态,服务费（元）,成功退款（元）,备注,资金状态,\r\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const AppRow& r = rows[i];
        text += r.number + "\t," + r.merchant + "\t," + r.time + "," + r.time + "," + r.time +
                ",其他（包括阿里巴巴和外部商家）," + r.category + "," + r.counterparty + "," +
                r.goods + "," + r.amount + "," + r.flow + "," + r.status + ",0.00," +
                (i < refunded.size() ? refunded[i] : "0.00") + ",,已支出,\r\n";
    }
    return utf8ToGbk(text).value();
}

// 微信支付's older CSV: UTF-8 with a byte-order mark, amounts as "¥12.50".
inline std::string weChatCsv(const std::vector<AppRow>& rows, int headerRow = 17) {
    std::string text = "\xEF\xBB\xBF";
    for (int i = 1; i < headerRow; ++i)
        text +=
            i == 1 ? "微信支付账单明细,,,,,,,,,,\n" : "说明" + std::to_string(i) + ",,,,,,,,,,\n";
    text +=
        "交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n";
    for (const AppRow& r : rows) {
        text += r.time + "," + r.category + "," + r.counterparty + ",\"" + r.goods + "\"," +
                r.flow + ",¥" + r.amount + ",零钱," + r.status + "," + r.number + "\t," +
                r.merchant + "\t,/\n";
    }
    return text;
}

// Writes an archive in memory: each file under its name, encrypted with
// `password` by `method` (ZIP_EM_TRAD_PKWARE, ZIP_EM_AES_256) when one is given.
inline std::string zipOf(const std::vector<std::pair<std::string, std::string>>& files,
                         const std::optional<std::string>& password = std::nullopt,
                         zip_uint16_t method = ZIP_EM_AES_256) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    zip_source_keep(target);
    for (const auto& [name, bytes] : files) {
        zip_source_t* data = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), data, ZIP_FL_ENC_UTF_8);
        if (password)
            zip_file_set_encryption(archive, static_cast<zip_uint64_t>(index), method,
                                    password->c_str());
    }
    zip_close(archive);
    std::string out;
    zip_source_open(target);
    zip_source_seek(target, 0, SEEK_END);
    const zip_int64_t size = zip_source_tell(target);
    zip_source_seek(target, 0, SEEK_SET);
    out.resize(static_cast<std::size_t>(size));
    zip_source_read(target, out.data(), static_cast<zip_uint64_t>(size));
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return out;
}

// XML text escaped for an element's content.
inline std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// A minimal workbook of one sheet: texts in the shared strings, cells that
// `numbers` marks (by column) as numbers; each row of `rows` on its own sheet
// row, from row 1.
inline std::string xlsxOf(const std::vector<std::vector<std::string>>& rows,
                          const std::vector<bool>& numbers = {}) {
    std::vector<std::string> shared;
    std::string sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<worksheet "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (std::size_t r = 0; r < rows.size(); ++r) {
        sheet += "<row r=\"" + std::to_string(r + 1) + "\">";
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (rows[r][c].empty()) continue;
            const std::string ref =
                std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1);
            if (c < numbers.size() && numbers[c] &&
                rows[r][c].find_first_not_of("0123456789.") == std::string::npos) {
                sheet += "<c r=\"" + ref + "\"><v>" + rows[r][c] + "</v></c>";
            } else {
                sheet +=
                    "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(shared.size()) + "</v></c>";
                shared.push_back(rows[r][c]);
            }
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    std::string strings =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (const std::string& s : shared) strings += "<si><t>" + xmlEscaped(s) + "</t></si>";
    strings += "</sst>";
    const std::string workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"账单\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const std::string relations =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/></Relationships>";
    return zipOf({{"[Content_Types].xml", "<Types/>"},
                  {"xl/workbook.xml", workbook},
                  {"xl/_rels/workbook.xml.rels", relations},
                  {"xl/sharedStrings.xml", strings},
                  {"xl/worksheets/sheet1.xml", sheet}});
}

// 微信支付's current export: the header on sheet row `headerRow`.
inline std::string weChatXlsx(const std::vector<AppRow>& rows, int headerRow = 17) {
    std::vector<std::vector<std::string>> table;
    for (int i = 1; i < headerRow; ++i)
        table.push_back({i == 1 ? "微信支付账单明细" : "说明第" + std::to_string(i) + "行"});
    table.push_back({"交易时间", "交易类型", "交易对方", "商品", "收/支", "金额(元)", "支付方式",
                     "当前状态", "交易单号", "商户单号", "备注"});
    for (const AppRow& r : rows)
        table.push_back({r.time, r.category, r.counterparty, r.goods, r.flow, r.amount, "零钱",
                         r.status, r.number, r.merchant, "/"});
    // The amount column holds numbers.
    return xlsxOf(table, {false, false, false, false, false, true});
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

}  // namespace qinghe::testing
