#pragma once

#include <string_view>

namespace qinghe::ledger {

// Whether a ledger name (GBK) can be a file name on Linux and on Windows: not
// empty, valid GBK, none of \ / : * ? " < > | or control characters, not "."
// or "..", and not ending in a space or full stop.
bool isValidLedgerName(std::string_view name);

}  // namespace qinghe::ledger
