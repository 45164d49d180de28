#include "shell/startup.h"

#include "common/standard_messages.h"
#include "maintenance/backup.h"
#include "maintenance/maintenance_actions.h"
#include "session/password_check.h"
#include "session/shell_texts.h"
#include "session/user_store.h"
#include "tables/store_failures.h"

namespace qinghe {
namespace {

constexpr int kExitBackupMode = 2;  // 每次退出时备份

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
        if (verifyPassword(state.user, state.loginPassword, note) != PasswordOutcome::Correct) {
            endAfter(state, shell::kLoginRefused);
            return result;
        }
    }
    state.settings = loadSettings(state.run, state.clock);
    result.loggedIn = true;
    result.startPage = state.settings.qsy == 0 ? 1 : 0;
    result.showWindow = state.settings.qdhqhdht == 0;
    state.locked = 0;
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
    if (state.settings.backupmode != kExitBackupMode) return;
    // A failure is told before the program ends; the earlier generations stay whole.
    maintenance::PosixFolderOperations folders;
    static_cast<void>(maintenance::backUpAt(state, folders, maintenance::BackupMoment::Exit));
}

}  // namespace qinghe
