#include "session/password_settings.h"

#include "common/standard_messages.h"
#include "session/password_check.h"
#include "session/password_texts.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe {
namespace {

// The user store open (it stays open for the whole run, but a restore or an
// initialisation closes every table) and current, on its one record.
bool selectUserStore(AppState& state) {
    auto& tables = state.tables;
    const auto path = state.run.below(tables::kUserStorePath);
    if (!tables.isOpen(path) && !tables.open(path, tables::kUserAlias, tables::kStorePassword))
        return false;
    if (!tables.select(tables::kUserAlias) || tables.recordCount() < 1) return false;
    tables.first();
    return true;
}

bool storeNeedPass(AppState& state, bool needPass) {
    return selectUserStore(state) &&
           state.tables.write(tables::field::kNeedPass, std::int32_t{needPass ? 1 : 0}) &&
           state.tables.commit();
}

// Writes the login password and reads it back: only a password that the next
// start will find as typed counts as stored.
bool storeLoginPassword(AppState& state, const std::string& password) {
    if (!selectUserStore(state) || !state.tables.write(tables::field::kPass, password) ||
        !state.tables.commit())
        return false;
    return selectUserStore(state) &&
           store::toText(tables::readField(state.tables, state.user, tables::field::kPass)) ==
               password;
}

}  // namespace

bool changeNeedPassword(AppState& state, bool ticked) {
    if (!ticked && state.needPass &&
        verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct)
        return true;
    state.needPass = ticked;
    if (!storeNeedPass(state, state.needPass))
        showError(state.user, password_texts::kNeedPassNotSaved);
    return ticked;
}

bool changeLoginPassword(AppState& state) {
    std::string newPassword;
    bool accepted = false;
    state.user.runForm({FormKind::ChangeLoginPassword, {}, {}},
                       [&](const std::vector<std::string>& fields) {
                           if (fields.size() < 3) return false;
                           if (fields[0] != state.loginPassword) {
                               showError(state.user, password_texts::kOldLoginPasswordWrong);
                               return false;
                           }
                           if (fields[1] != fields[2]) {
                               showError(state.user, password_texts::kNewPasswordsDiffer);
                               return false;
                           }
                           if (fields[1].size() > std::size_t{tables::width::kPassword}) {
                               showError(state.user, password_texts::kNewPasswordTooLong);
                               return false;
                           }
                           newPassword = fields[1];
                           accepted = true;
                           return true;
                       });
    if (!accepted) return false;
    if (!storeLoginPassword(state, newPassword)) {
        // Whatever part of the write landed, the old password goes back where
        // it can: the user has been told it did not change.
        static_cast<void>(storeLoginPassword(state, state.loginPassword));
        showError(state.user, password_texts::kLoginPasswordNotSaved);
        return false;
    }
    state.loginPassword = newPassword;
    state.user.showMessage({password_texts::kLoginPasswordChanged, password_texts::kSuccessTitle,
                            MessageIcon::Information, MessageButtons::Ok});
    return true;
}

}  // namespace qinghe
