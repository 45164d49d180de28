#include "shell/startup.h"
#include "common/standard_messages.h"

#include "maintenance/backup.h"
#include "maintenance/maintenance_actions.h"
#include "maintenance/maintenance_texts.h"
#include "session/password_check.h"
#include "session/user_store.h"
#include "shell/shell_texts.h"

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
    // A failed backup keeps the earlier generations whole and says nothing:
    // the program starts all the same. It runs before the settings are
    // loaded, so it writes lastbackup straight into system.ini.
    // Its flush and the removal of the oldest generation go on while the
    // program starts.
    state.user.runWithProgress(maintenance_texts::kBackupProgress, [&] {
        static_cast<void>(
            maintenance::backUpAndRecord(folders, state.run, state.clock, nullptr, true));
    });
    maintenance::settleBackupsInBackground(state, readBackupsKept(state.run));

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
    // Only when the backup above failed can the periodic one be due.
    if (maintenance::periodicBackupDue(state.settings, state.clock.today())) {
        state.waitForBackgroundMaintenance();
        state.user.runWithProgress(maintenance_texts::kBackupProgress, [&] {
            // The user store is open: its changes go into its files first.
            if (state.tables.flushToFiles()) {
                static_cast<void>(
                    maintenance::backUpAndRecord(folders, state.run, state.clock, &state.settings));
            }
        });
    }
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
    state.tables.closeAll();
    state.waitForBackgroundMaintenance();
}

void shutDown(AppState& state) {
    closeDown(state);
    if (state.settings.backupMode != BackupMode::AtExit) return;
    // Nobody is left to tell of a failure; the earlier generations stay whole.
    maintenance::PosixFolderOperations folders;
    static_cast<void>(
        maintenance::backUpAndRecord(folders, state.run, state.clock, &state.settings));
}

}  // namespace qinghe
