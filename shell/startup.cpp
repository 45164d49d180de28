#include "shell/startup.h"

#include "common/standard_messages.h"
#include "maintenance/backup.h"
#include "maintenance/maintenance_actions.h"
#include "maintenance/maintenance_texts.h"
#include "session/password_check.h"
#include "session/user_store.h"
#include "shell/shell_texts.h"
#include "tables/store_failures.h"

namespace qinghe {
namespace {

void endAfter(AppState& state, const std::string& text) {
    showError(state.user, text);
    closeDown(state);
    state.user.endProgram();
}

}  // namespace

StartupResult startUp(AppState& state) {
    StartupResult result;
    maintenance::PosixFolderOperations folders;
    // Before the login, whatever the backup mode. One that fails is told and
    // leaves every earlier generation whole; the program starts all the same,
    // and in the mode "定期自动备份" the periodic check tries again.
    static_cast<void>(maintenance::backUpAt(state, folders, maintenance::BackupMoment::Start));

    if (!openUserStore(state, &result.freshInstallation)) {
        endAfter(state, shell::kUserStoreUnusable);
        return result;
    }
    if (!state.loginPassword.empty()) {
        // A fresh installation is told its initial password on the dialog itself.
        std::string note = result.freshInstallation ? shell::kInitialPasswordNote : "";
        switch (verifyPassword(state.user, state.loginPassword, note)) {
            case PasswordOutcome::Correct:
                break;
            case PasswordOutcome::Incorrect:
                endAfter(state, shell::kLoginRefused);
                return result;
            case PasswordOutcome::Cancelled:
                // Nothing was typed: nothing was wrong, the user chose not to go on.
                closeDown(state);
                state.user.endProgram();
                return result;
        }
    }
    state.settings = loadSettings(state.run, state.clock);
    result.loggedIn = true;
    result.startPage = state.settings.startupGuide ? 0 : 1;
    result.showWindow = !state.settings.startInBackground;
    state.locked = false;
    return result;
}

bool confirmExit(UserInteraction& user) {
    return user.showMessage({shell::kConfirmExit, shell::kExitTitle, MessageIcon::Question,
                             MessageButtons::OkCancel}) == MessageAnswer::Ok;
}

void closeDown(AppState& state) {
    tables::closeAllTables(state.tables, state.user);
}

void shutDown(AppState& state) {
    closeDown(state);
    if (state.settings.backupMode != BackupMode::AtExit) return;
    // A failure is told before the program ends; the earlier generations stay whole.
    maintenance::PosixFolderOperations folders;
    static_cast<void>(maintenance::backUpAt(state, folders, maintenance::BackupMoment::Exit));
}

}  // namespace qinghe
