#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qinghe::import {

// One cell of a bill as read: its text (UTF-8, as written) and whether a
// workbook kept it as a number (dates and amounts in a sheet may be numbers).
struct Cell {
    std::string text;
    bool number = false;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// One row of a bill's table, with where it is in the file: the line a CSV row
// starts on, the row number of a sheet. Both count from 1, as a user sees them.
struct TableRow {
    std::size_t line = 0;
    std::vector<Cell> cells;
};

using BillTable = std::vector<TableRow>;

}  // namespace qinghe::import
