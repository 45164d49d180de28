#pragma once

#include <cstddef>
#include <string_view>
#include <variant>

#include "import/bill_table.h"

namespace qinghe::import {

// A field opened by a quote that no quote closes: the line it starts on.
struct UnclosedQuote {
    std::size_t line = 0;
};

// Reads comma-separated text (RFC 4180, as the apps and banks write it): fields
// quoted where they hold a comma, a quote or a line break, quotes doubled
// inside; lines ended by LF, CRLF or CR. Leniently, a quote inside an unquoted
// field and text after a closing quote are kept as written. Blank lines are
// rows without cells. Any text reads in one pass, in time and memory in
// proportion to its size.
std::variant<BillTable, UnclosedQuote> readCsv(std::string_view utf8);

}  // namespace qinghe::import
