#include "ledger/ledger_files.h"

#include "app/app_state.h"
#include "store/companion_file.h"
#include "store/schemas.h"
#include "store/table_file.h"

namespace qinghe::ledger {

void deleteLedgerFiles(AppState& state, std::string_view saveTo) {
    const auto table = store::storedPathToFile(state.run, saveTo, store::kDataFolder);
    if (!table || !state.files.exists(*table)) return;
    if (state.tables.isOpen(*table)) state.tables.close(table->string());
    state.files.remove(*table);
    if (auto companion = store::CompanionFile::find(state.files, *table))
        state.files.remove(*companion);
    state.files.remove(store::TableFile::journalPath(*table));
}

}  // namespace qinghe::ledger
