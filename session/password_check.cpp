#include "session/password_check.h"

#include "common/standard_messages.h"
#include "session/password_texts.h"

namespace qinghe {

PasswordOutcome verifyPassword(UserInteraction& user, std::string_view expected,
                               const std::string& note) {
    PasswordOutcome outcome = PasswordOutcome::Cancelled;
    user.runPasswordDialog(PasswordDialogRequest{note}, [&](const std::string& typed) {
        if (typed == expected) {
            outcome = PasswordOutcome::Correct;
            return true;
        }
        showError(user, password_texts::kWrongPassword);
        outcome = PasswordOutcome::Incorrect;
        return false;
    });
    return outcome;
}

}  // namespace qinghe
