#pragma once

#include <cstdint>

#include "ledger/ledger_view.h"

namespace qinghe::ledger {

enum class OpenLedgerResult {
    Cancelled,    // the access password was not given; nothing changed
    MissingFile,  // the current ledger names it, but its data file is gone
    Opened,       // current, lists filled, the 记账 page shown
};

// Opens the ledger at registry record `recordNumber`: its access password in
// "校验访问密码", then its entry table, its lists and the 记账 page.
OpenLedgerResult openLedger(AppState& state, std::int32_t recordNumber, LedgerView& view);

}  // namespace qinghe::ledger
