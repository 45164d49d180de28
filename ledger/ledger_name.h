#pragma once

#include <string_view>

namespace qinghe::ledger {

// Whether a ledger name (GBK) can be a file name on Linux and on Windows: not
// empty, valid GBK, none of \ / : * ? " < > | or control characters, not "."
// or "..", and not ending in a space or full stop.
// Windows' reserved device names (CON, PRN, AUX, NUL, COM1-9, LPT1-9, in any
// case, with or without an extension) are refused too: the folder must stay
// usable when it is copied to Windows.
bool isValidLedgerName(std::string_view name);

// Whether a ledger's data file named after `name` (GBK) fits the file system,
// with room for the numbering "（k）", the extension and the names of the
// files kept beside it (its change log, a copy of a damaged file).
bool ledgerFileNameFits(std::string_view name);

}  // namespace qinghe::ledger
