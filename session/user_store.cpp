#include "session/user_store.h"

#include "common/folders.h"
#include "session/password_texts.h"
#include "store/schemas.h"

namespace qinghe {

bool createUserStore(AppState& state) {
    const auto path = state.run.below(store::kUserStorePath);
    state.tables.close(store::TableStore::fullPath(path).string());
    makeDirectoryPath(state.run.below(store::kUserStorePath).parent_path().string() + "/");
    // Built whole under another name first: a crash never leaves a store
    // whose password nobody knows.
    return state.files.remove(path) &&
           state.tables.createTable(
               path, store::userStoreFields(), store::kStorePassword,
               [](store::TableStore& tables) {
                   if (!tables.append()) return false;
                   tables.first();
                   return tables.write(store::field::kPass,
                                       std::string(password_texts::kDefaultLoginPassword)) &&
                          tables.write(store::field::kNeedPass, std::int32_t{0});
               });
}

bool openUserStore(AppState& state, bool* created) {
    const auto path = state.run.below(store::kUserStorePath);
    makeDirectoryPath(path.parent_path().string() + "/");
    bool made = false;
    if (!state.files.exists(path)) made = createUserStore(state);
    if (created) *created = made;
    auto& tables = state.tables;
    if (!tables.isOpen(path) && !tables.open(path, store::kUserAlias, store::kStorePassword))
        return false;
    // A damaged store is not replaced by a fresh one: that would reset the
    // login password to the published default.
    if (!tables.select(store::kUserAlias)) return false;
    // Without its record, or with a password that is not text, the store
    // cannot say who may log in: it counts as unusable rather than open.
    const store::TableFile* file = tables.currentFile();
    int passField = file->fieldIndex(store::field::kPass);
    if (tables.recordCount() < 1 || passField < 0 ||
        file->fields()[passField].type != store::FieldType::Text ||
        file->fieldIndex(store::field::kNeedPass) < 0)
        return false;
    tables.first();
    state.loginPassword = store::toText(tables.read(store::field::kPass));
    // Only a stored 1 asks for the password.
    state.needPass = store::toInteger(tables.read(store::field::kNeedPass)) == 1;
    return true;
}

}  // namespace qinghe
