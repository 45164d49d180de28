#include "ledger/ledger_files.h"

#include "import/imported_numbers.h"
#include "session/app_state.h"
#include "store/companion_file.h"
#include "store/table_file.h"
#include "tables/schemas.h"

namespace qinghe::ledger {

bool deleteLedgerFiles(AppState& state, std::string_view saveTo) {
    const auto table = tables::storedPathToFile(state.run, saveTo, tables::kDataFolder);
    if (!table || !state.files.exists(*table)) return true;
    // Its files go: what did not reach them does not matter.
    if (state.tables.isOpen(*table)) static_cast<void>(state.tables.close(table->string()));
    bool gone = state.files.remove(*table);
    if (auto companion = store::CompanionFile::find(state.files, *table))
        gone = state.files.remove(*companion) && gone;
    gone = state.files.remove(store::TableFile::logPath(*table)) && gone;
    // The numbers of the bills imported into it: a later ledger of the same
    // name must not take them for its own.
    return state.files.remove(import::importedNumbersPath(*table)) && gone;
}

}  // namespace qinghe::ledger
