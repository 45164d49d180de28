#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ledger/ledger_view.h"

namespace qinghe::ledger {

enum class CreateLedgerResult {
    Refused,  // the name is not usable: said so, the dialog stays open
    Failed,   // the table could not be created: said so and logged in debug.ini
    Created,
};

// "创建！" of the dialog "添加一个新账簿": a registry record and an empty
// enciphered entry table for a new ledger. Does not rebuild the list.
CreateLedgerResult createLedger(AppState& state, std::string_view name, std::string_view password);

// "新建账簿": the dialog, then createLedger, then the list rebuilt.
void newLedger(AppState& state, LedgerView& view);

// "修改账簿" for the ledger at registry record `recordNumber` (nothing when no
// row is selected): the dialog "修改账簿信息"; once changed, the list is shown
// again with the new name (and the 记账 list's labels, when it is the open
// ledger). True when the name and password were changed.
bool changeLedger(AppState& state, std::optional<std::int32_t> recordNumber, LedgerView& view);

// "删除账簿": confirmation, the password where needed, the files, the record.
// True when the ledger was deleted (the list has been rebuilt).
bool deleteLedger(AppState& state, std::optional<std::int32_t> recordNumber, LedgerView& view);

// "清空账簿" with `rowCount` rows in the list: every ledger goes. True when
// they were deleted (the list has been rebuilt).
bool clearLedgers(AppState& state, int rowCount, LedgerView& view);

}  // namespace qinghe::ledger
