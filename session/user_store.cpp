#include "session/user_store.h"

#include "common/folders.h"
#include "session/password_texts.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe {

bool createUserStore(AppState& state) {
    const auto path = state.run.below(tables::kUserStorePath);
    // Made anew: what the old one held does not matter.
    static_cast<void>(state.tables.close(store::TableStore::fullPath(path).string()));
    makeDirectoryPath(state.run.below(tables::kUserStorePath).parent_path().string() + "/");
    // Built whole under another name first: a crash never leaves a store
    // whose password nobody knows.
    return state.files.remove(path) &&
           state.tables.createTable(
               path, tables::userStoreFields(), tables::kStorePassword,
               [](store::TableStore& tables) {
                   if (!tables.append()) return false;
                   tables.first();
                   return tables.write(tables::field::kPass,
                                       std::string(password_texts::kDefaultLoginPassword)) &&
                          tables.write(tables::field::kNeedPass, std::int32_t{0});
               });
}

bool openUserStore(AppState& state, bool* created) {
    const auto path = state.run.below(tables::kUserStorePath);
    makeDirectoryPath(path.parent_path().string() + "/");
    bool made = false;
    if (!state.files.exists(path)) made = createUserStore(state);
    if (created) *created = made;
    auto& tables = state.tables;
    if (!tables.isOpen(path) && !tables.open(path, tables::kUserAlias, tables::kStorePassword))
        return false;
    // A damaged store is not replaced by a fresh one: that would reset the
    // login password to the published default.
    if (!tables.select(tables::kUserAlias)) return false;
    // Without its record, or with a password that is not text, the store
    // cannot say who may log in: it counts as unusable rather than open.
    const store::TableFile* file = tables.currentFile();
    int passField = file->fieldIndex(tables::field::kPass);
    if (tables.recordCount() < 1 || passField < 0 ||
        file->fields()[passField].type != store::FieldType::Text ||
        file->fieldIndex(tables::field::kNeedPass) < 0)
        return false;
    tables.first();
    state.loginPassword =
        store::toText(tables::readField(tables, state.user, tables::field::kPass));
    // Only a stored 1 asks for the password.
    state.needPass =
        store::toInteger(tables::readField(tables, state.user, tables::field::kNeedPass)) == 1;
    return true;
}

}  // namespace qinghe
