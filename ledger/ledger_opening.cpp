#include "ledger/ledger_opening.h"

#include "common/standard_messages.h"
#include "import/imported_numbers.h"
#include "ledger/access_password.h"
#include "ledger/ledger_texts.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::ledger {

namespace {

// "校验访问密码": true once the expected password has been typed.
bool askAccessPassword(AppState& state, const std::string& expected) {
    bool correct = false;
    state.user.runForm({FormKind::LedgerPassword, {""}},
                       [&](const std::vector<std::string>& fields) {
                           const std::string typed = fields.empty() ? std::string() : fields[0];
                           if (typed.empty()) {
                               showError(state.user, kEnterPassword);
                               return false;
                           }
                           if (!accessPasswordMatches(typed, expected)) {
                               showError(state.user, kWrongPassword);
                               return false;
                           }
                           correct = true;
                           return true;
                       });
    return correct;
}

}  // namespace

OpenLedgerResult openLedger(AppState& state, std::int32_t recordNumber, LedgerView& view) {
    if (!goToRegistryRecord(state, recordNumber)) return OpenLedgerResult::Cancelled;
    auto& tables = state.tables;
    const std::string password =
        store::toText(tables::readField(tables, state.user, tables::field::kPass));
    if (!password.empty() && !askAccessPassword(state, password))
        return OpenLedgerResult::Cancelled;

    if (!goToRegistryRecord(state, recordNumber)) return OpenLedgerResult::Cancelled;
    CurrentLedger ledger;
    ledger.number = static_cast<std::int32_t>(
        store::toInteger(tables::readField(tables, state.user, tables::field::kNumber)));
    ledger.name = store::toText(tables::readField(tables, state.user, tables::field::kName));
    ledger.password = store::toText(tables::readField(tables, state.user, tables::field::kPass));
    ledger.saveTo = store::toText(tables::readField(tables, state.user, tables::field::kSaveTo));
    ledger.created =
        store::toDate(tables::readField(tables, state.user, tables::field::kCreateTime));
    state.currentLedger = ledger;

    // A table that is gone, leads outside the data folder or cannot be opened
    // is reported alike: its entries cannot be shown.
    const auto table = tables::storedPathToFile(state.run, ledger.saveTo, tables::kDataFolder);
    // Opened to be written: its entries are added and changed from here.
    if (!table || !state.files.exists(*table) ||
        !tables.openForWriting(*table, "", tables::kStorePassword)) {
        showError(state.user, kLedgerMissing);
        return OpenLedgerResult::MissingFile;
    }
    // One walk reads every entry into memory; the lists show those rows.
    state.currentLedger.rows = entry::loadLedgerRows(state, *table);
    // An import cut short between its steps is settled before anything else
    // can change the table: its numbers kept when the table holds its rows.
    static_cast<void>(import::settleImportedNumbers(state, *table));
    entry::fillEntryAndQueryLists(state, view);
    view.showEntryPage();
    return OpenLedgerResult::Opened;
}

}  // namespace qinghe::ledger
