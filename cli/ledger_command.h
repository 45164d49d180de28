#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/captured_lists.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::cli {

// --ledger-password (UTF-8) as the core keeps it: nothing when not given;
// `wrong` set, and said on stderr, when GBK cannot hold it.
std::optional<std::string> ledgerPasswordInGbk(const std::optional<std::string>& utf8, bool& wrong);

// Opens the ledger at registry record `recordNumber` as the program does,
// its access password answered by the session's user; false when it was not
// opened, having said why on stderr (the registry unreadable, no such record,
// a wrong or missing password, or the core's message about a missing file).
bool openLedgerOrTell(AppState& state, std::int32_t recordNumber, CapturedLists& view);

}  // namespace qinghe::cli
