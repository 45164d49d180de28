#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "common/run_directory.h"
#include "import/bill_formats.h"

namespace qinghe::import {

// What the importer remembers, in run directory + "\setup\import.ini" (GBK):
// the family's item for each category of the apps (sections "支出分类" and
// "收入分类", the category as key), the item a category with none goes to
// (section "默认项目", keys "支出" and "收入"), and the column mapping of each
// bank statement's header (a section "表头 " + the header's MD5, with the
// header itself under "header" and each mapped field's column, 1-based).
struct ImportSetup {
    std::map<std::string, std::string> expenseItems;  // category -> item, GBK
    std::map<std::string, std::string> incomeItems;
    std::string defaultExpenseItem;
    std::string defaultIncomeItem;
    // By headerKey (UTF-8, as the file has it).
    std::map<std::string, ColumnMapping> mappings;

    std::map<std::string, std::string>& itemsOf(bool income) {
        return income ? incomeItems : expenseItems;
    }
    const std::map<std::string, std::string>& itemsOf(bool income) const {
        return income ? incomeItems : expenseItems;
    }
};

std::filesystem::path importSetupFile(const RunDirectory& run);
// A missing or unreadable file is an empty setup.
ImportSetup loadImportSetup(const RunDirectory& run);
// Replaces the file whole; false when it could not be written (a name the
// file cannot keep, such as one holding "=", is left out).
[[nodiscard]] bool saveImportSetup(const RunDirectory& run, const ImportSetup& setup);

}  // namespace qinghe::import
