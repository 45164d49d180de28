#include "ledger/registry.h"

#include "common/folders.h"
#include "session/app_state.h"
#include "tables/schemas.h"

namespace qinghe::ledger {

namespace {

// A registry without the fields the program reads would end the program on
// the first read; it is treated as one that cannot be opened.
bool hasRegistryFields(const store::TableStore& tables) {
    for (const auto& field : tables::registryFields()) {
        if (!tables.fieldNumber(field.name)) return false;
    }
    return true;
}

}  // namespace

std::filesystem::path registryFile(const AppState& state) {
    return state.run.below(tables::kRegistryPath);
}

bool createRegistry(AppState& state) {
    const auto path = registryFile(state);
    auto& tables = state.tables;
    // Made anew: what the old one held does not matter.
    static_cast<void>(tables.close(store::TableStore::fullPath(path).string()));
    makeDirectoryPath(path.parent_path().string() + "/");
    if (!state.files.remove(path)) return false;
    if (!tables.createTable(path, tables::registryFields(), tables::kStorePassword)) return false;
    if (!tables.open(path, tables::kRegistryAlias, tables::kStorePassword)) return false;
    tables.first();
    return true;
}

bool ensureRegistryOpen(AppState& state) {
    const auto path = registryFile(state);
    auto& tables = state.tables;
    // Only a missing registry is made anew; a damaged one is kept for repair.
    if (!tables.isOpen(path) && !state.files.exists(path) && !createRegistry(state)) return false;
    if (!tables.isOpen(path) && !tables.open(path, tables::kRegistryAlias, tables::kStorePassword))
        return false;
    // Selected by its full path: a ledger whose file is called "books" must
    // never stand in for the registry.
    return tables.select(store::TableStore::fullPath(path).string()) && hasRegistryFields(tables);
}

bool goToRegistryRecord(AppState& state, std::int32_t recordNumber) {
    if (!ensureRegistryOpen(state)) return false;
    state.tables.first();
    return state.tables.goTo(recordNumber);
}

}  // namespace qinghe::ledger
