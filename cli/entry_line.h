#pragma once

#include <cstddef>

#include "cli/json_lines.h"
#include "entry/ledger_rows.h"

namespace qinghe::cli {

// One entry as the lists show it, as a JSON line: the cells of 记账 and 查账.
JsonLine entryLine(const LedgerRows& rows, std::size_t row);

}  // namespace qinghe::cli
