#pragma once

#include <string_view>
#include <variant>

#include "import/bill_table.h"

namespace qinghe::import {

enum class XlsxError {
    NotWorkbook,  // no workbook inside, or not a ZIP archive at all
    Damaged,      // a part that cannot be read or is no well-formed XML
};

// The first sheet of a workbook (Office Open XML, as the apps export it): its
// rows with their cells in their columns (a cell left out is empty), shared
// strings and inline strings as text, numbers as the text the sheet keeps
// with the number mark. Reads the parts into memory only.
std::variant<BillTable, XlsxError> readXlsxSheet(std::string_view bytes);

// Whether a ZIP archive's bytes are a workbook (it holds xl/workbook.xml).
bool isXlsx(std::string_view bytes);

}  // namespace qinghe::import
