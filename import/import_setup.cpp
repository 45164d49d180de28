#include "import/import_setup.h"

#include <charconv>

#include "common/gbk.h"
#include "config/ini_file.h"
#include "config/settings.h"
#include "store/md5.h"

namespace qinghe::import {

namespace {

const std::string kExpenseSection = gbkText("支出分类");
const std::string kIncomeSection = gbkText("收入分类");
const std::string kDefaultSection = gbkText("默认项目");
const std::string kExpenseKey = gbkText("支出");
const std::string kIncomeKey = gbkText("收入");
const std::string kHeaderSectionPrefix = gbkText("表头 ");

std::string headerSection(const std::string& key) {
    return kHeaderSectionPrefix + store::md5Hex(key);
}

}  // namespace

std::filesystem::path importSetupFile(const RunDirectory& run) {
    return setupFolder(run) / "import.ini";
}

ImportSetup loadImportSetup(const RunDirectory& run) {
    ImportSetup setup;
    const IniDocument ini = readIniDocument(importSetupFile(run));
    for (auto& [category, item] : ini.entries(kExpenseSection)) setup.expenseItems[category] = item;
    for (auto& [category, item] : ini.entries(kIncomeSection)) setup.incomeItems[category] = item;
    setup.defaultExpenseItem = ini.value(kDefaultSection, kExpenseKey).value_or("");
    setup.defaultIncomeItem = ini.value(kDefaultSection, kIncomeKey).value_or("");
    // Every section of a header: its text, then each field's column.
    const std::string text = ini.text();
    std::size_t at = 0;
    while ((at = text.find("[" + kHeaderSectionPrefix, at)) != std::string::npos) {
        const std::size_t end = text.find(']', at);
        if (end == std::string::npos) break;
        const std::string section = text.substr(at + 1, end - at - 1);
        at = end;
        const auto header = ini.value(section, "header");
        if (!header) continue;
        const auto key = gbkToUtf8(*header);
        if (!key || section != headerSection(*key)) continue;
        ColumnMapping mapping;
        for (const MappedField field : kMappedFields) {
            const auto value = ini.value(section, mappedFieldName(field));
            std::size_t column = 0;
            if (!value || value->empty()) continue;
            const auto [stop, error] =
                std::from_chars(value->data(), value->data() + value->size(), column);
            if (error == std::errc() && stop == value->data() + value->size() && column >= 1 &&
                column <= 1024)
                mapping[field] = column - 1;
        }
        if (mapping.complete()) setup.mappings[*key] = mapping;
    }
    return setup;
}

bool saveImportSetup(const RunDirectory& run, const ImportSetup& setup) {
    IniDocument ini;
    for (const auto& [category, item] : setup.expenseItems)
        static_cast<void>(ini.set(kExpenseSection, category, item));
    for (const auto& [category, item] : setup.incomeItems)
        static_cast<void>(ini.set(kIncomeSection, category, item));
    if (!setup.defaultExpenseItem.empty())
        static_cast<void>(ini.set(kDefaultSection, kExpenseKey, setup.defaultExpenseItem));
    if (!setup.defaultIncomeItem.empty())
        static_cast<void>(ini.set(kDefaultSection, kIncomeKey, setup.defaultIncomeItem));
    for (const auto& [key, mapping] : setup.mappings) {
        const auto header = utf8ToGbk(key);
        if (!header) continue;
        const std::string section = headerSection(key);
        if (!ini.set(section, "header", *header)) continue;
        for (const MappedField field : kMappedFields) {
            if (mapping[field])
                static_cast<void>(
                    ini.set(section, mappedFieldName(field), std::to_string(*mapping[field] + 1)));
        }
    }
    std::error_code error;
    std::filesystem::create_directories(setupFolder(run), error);
    return writeIniDocument(importSetupFile(run), ini);
}

}  // namespace qinghe::import
