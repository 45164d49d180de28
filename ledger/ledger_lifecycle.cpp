#include "ledger/ledger_lifecycle.h"

#include "common/folders.h"
#include "common/gbk.h"
#include "common/number_text.h"
#include "common/standard_messages.h"
#include "config/ini_file.h"
#include "ledger/access_password.h"
#include "ledger/ledger_files.h"
#include "ledger/ledger_name.h"
#include "ledger/ledger_texts.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "session/password_check.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::ledger {

namespace {

bool confirm(AppState& state, const std::string& question, const std::string& title) {
    return state.user.showMessage({question, title, MessageIcon::Warning,
                                   MessageButtons::OkCancel}) == MessageAnswer::Ok;
}

// debug.ini keeps the number of the ledger and the file that could not be made.
void logFailedCreation(AppState& state, std::int32_t number, const std::filesystem::path& table) {
    const std::string path = utf8ToGbk(table.string()).value_or(table.string());
    // The log is a help, not the report: the user is told in any case.
    static_cast<void>(writeIniString(state.run.below(tables::kDebugIniPath), kDebugSection,
                                     integerToText(number), path));
}

// Files no ledger names any more: whatever is left of them is never read again
// (a new table of the same name replaces them), so a failure here loses nothing.
void deleteUnlistedFiles(AppState& state, std::string_view saveTo) {
    static_cast<void>(deleteLedgerFiles(state, saveTo));
}

CreateLedgerResult failCreation(AppState& state, std::int32_t number,
                                const std::filesystem::path& table) {
    logFailedCreation(state, number, table);
    showError(state.user, kCreateFailed);
    return CreateLedgerResult::Failed;
}

// The new table, enciphered under the store password, flushed with its
// folder entry before any registry row names it.
bool createEntryTable(AppState& state, const std::filesystem::path& table) {
    return state.tables.createTable(table, tables::entryFields(), tables::kStorePassword);
}

}  // namespace

CreateLedgerResult createLedger(AppState& state, std::string_view name, std::string_view password) {
    if (!isValidLedgerName(name)) {
        showError(state.user, kInvalidName);
        return CreateLedgerResult::Refused;
    }
    // Said as it is, before anything is tried: not a full disk, nothing to log.
    if (!ledgerFileNameFits(name)) {
        showError(state.user, kNameTooLong);
        return CreateLedgerResult::Refused;
    }
    auto& tables = state.tables;
    if (!ensureRegistryOpen(state)) {
        showError(state.user, kCreateFailed);
        return CreateLedgerResult::Failed;
    }
    const std::int32_t number = tables.recordCount() + 1;
    const double created = state.clock.today();

    makeDirectoryPath(state.run.below(tables::kDataFolder).string() + "/");
    auto exists = [&state](const std::filesystem::path& path) { return state.files.exists(path); };
    const auto saveTo = tables::newLedgerDataPath(state.run, name, exists);
    if (!saveTo) {
        showError(state.user, kInvalidName);
        return CreateLedgerResult::Refused;
    }
    const auto table = *tables::storedPathToFile(state.run, *saveTo, tables::kDataFolder);
    if (!createEntryTable(state, table)) {
        // A table left half made (plain, or without its companion) must not be
        // found by the next ledger of this name.
        deleteUnlistedFiles(state, *saveTo);
        return failCreation(state, number, table);
    }

    if (!ensureRegistryOpen(state) || !tables.append() ||
        !tables.write(tables::field::kNumber, number) ||
        !tables.write(tables::field::kName, std::string(name)) ||
        !tables.write(tables::field::kPass, std::string(password)) ||
        !tables.write(tables::field::kSaveTo, *saveTo) ||
        !tables.write(tables::field::kCreateTime, store::DateTime{created}) || !tables.commit()) {
        // The table goes only when its row surely did not reach the disk: a
        // row must never name a missing file.
        if (!tables.currentUncertain()) {
            tables.discard();
            deleteUnlistedFiles(state, *saveTo);
        }
        return failCreation(state, number, table);
    }
    return CreateLedgerResult::Created;
}

void newLedger(AppState& state, LedgerView& view) {
    state.user.runForm(
        {FormKind::NewLedger, {"", ""}}, [&](const std::vector<std::string>& fields) {
            if (fields.size() < 2) return false;
            if (createLedger(state, fields[0], fields[1]) == CreateLedgerResult::Refused)
                return false;
            showRebuiltLedgerList(state, view);
            return true;
        });
}

bool changeLedger(AppState& state, std::optional<std::int32_t> recordNumber, LedgerView& view) {
    if (!recordNumber || !goToRegistryRecord(state, *recordNumber)) return false;
    auto& tables = state.tables;
    const std::string presentName =
        store::toText(tables::readField(tables, state.user, tables::field::kName));
    const std::string storedPassword =
        store::toText(tables::readField(tables, state.user, tables::field::kPass));

    std::string newName;
    std::string newPassword;
    bool accepted = false;
    state.user.runForm({FormKind::ChangeLedger, {presentName, "", ""}},
                       [&](const std::vector<std::string>& fields) {
                           if (fields.size() < 3) return false;
                           if (!isValidLedgerName(fields[0])) {
                               showError(state.user, kInvalidName);
                               return false;
                           }
                           if (!storedPassword.empty()) {
                               if (fields[1].empty()) {
                                   showError(state.user, kChangeNeedsPassword);
                                   return false;
                               }
                               if (!accessPasswordMatches(fields[1], storedPassword)) {
                                   showError(state.user, kOldPasswordWrong);
                                   return false;
                               }
                           }
                           newName = fields[0];
                           newPassword = fields[2];
                           accepted = true;
                           return true;
                       });
    if (!accepted || !goToRegistryRecord(state, *recordNumber)) return false;
    const std::string saveTo =
        store::toText(tables::readField(tables, state.user, tables::field::kSaveTo));
    if (!tables.write(tables::field::kName, newName) ||
        !tables.write(tables::field::kPass, newPassword) || !tables.commit()) {
        // Nothing of it may be made whole by a later change of the registry.
        if (!tables.currentUncertain()) tables.discard();
        return false;
    }
    // The open ledger's copy follows, so that the important-operation gate
    // asks for the password it has now.
    if (state.currentLedger.isOpen() && saveTo == state.currentLedger.saveTo) {
        state.currentLedger.name = newName;
        state.currentLedger.password = newPassword;
        // Its name under the 记账 list, too.
        entry::fillEntryList(state, view);
    }
    // The new name in the list at once.
    showRebuiltLedgerList(state, view);
    return true;
}

bool deleteLedger(AppState& state, std::optional<std::int32_t> recordNumber, LedgerView& view) {
    if (!recordNumber) return false;
    if (!confirm(state, kDeleteQuestion, kDeleteTitle)) return false;
    if (!goToRegistryRecord(state, *recordNumber)) return false;
    auto& tables = state.tables;
    const std::string password =
        store::toText(tables::readField(tables, state.user, tables::field::kPass));
    if (!password.empty() && state.needPass &&
        verifyPassword(state.user, password) != PasswordOutcome::Correct)
        return false;

    if (!goToRegistryRecord(state, *recordNumber)) return false;
    const std::string saveTo =
        store::toText(tables::readField(tables, state.user, tables::field::kSaveTo));
    // The registry row goes first: should anything fail, the ledger is either
    // still listed with all its entries, or gone with nothing left to read.
    if (!tables.remove() || !tables.purge() || !tables.commit()) {
        showError(state.user, kDeleteFailed);
        showRebuiltLedgerList(state, view);
        return false;
    }
    deleteUnlistedFiles(state, saveTo);
    if (saveTo == state.currentLedger.saveTo) state.currentLedger.close();
    showRebuiltLedgerList(state, view);
    return true;
}

bool clearLedgers(AppState& state, int rowCount, LedgerView& view) {
    if (rowCount <= 0) return false;
    if (!confirm(state, kClearQuestion, kClearTitle)) return false;
    if (!ensureRegistryOpen(state)) return false;
    if (state.needPass &&
        verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct)
        return false;

    if (!ensureRegistryOpen(state)) return false;
    auto& tables = state.tables;
    std::vector<std::string> saveTos;
    tables.first();
    for (std::int32_t i = tables.recordCount(); i > 0; --i) {
        saveTos.push_back(
            store::toText(tables::readField(tables, state.user, tables::field::kSaveTo)));
        tables.skip(1);
    }
    // The registry first, as for one ledger.
    if (!tables.zap() || !tables.commit()) {
        showError(state.user, kClearFailed);
        showRebuiltLedgerList(state, view);
        return false;
    }
    for (const auto& saveTo : saveTos) deleteUnlistedFiles(state, saveTo);
    showRebuiltLedgerList(state, view);
    state.currentLedger.close();
    return true;
}

}  // namespace qinghe::ledger
