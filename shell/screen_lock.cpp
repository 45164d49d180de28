#include "shell/screen_lock.h"

#include "common/standard_messages.h"
#include "session/password_check.h"
#include "shell/shell_texts.h"

namespace qinghe {
namespace {

constexpr std::int64_t kMillisecondsPerMinute = 60000;

void leaveLock(AppState& state, LockView& view, int page) {
    // The flag first: the window keeps the lock page while it is set.
    state.locked = 0;
    view.selectPage(page);
    view.setToolbarEnabled(true);
}

}  // namespace

bool idleLockDue(const AppState& state, std::int64_t idleMilliseconds) {
    const Settings& settings = state.settings;
    return state.locked == 0 && settings.kxzdsd == 1 && settings.sdjg > 0 &&
           idleMilliseconds >= std::int64_t{settings.sdjg} * kMillisecondsPerMinute;
}

void lockSoftware(AppState& state, LockView& view) {
    if (state.locked == 1) return;
    state.rememberedPage = view.currentPage();
    view.selectPage(kLockPageNumber);
    view.setToolbarEnabled(false);
    state.locked = 1;
}

bool unlockSoftware(AppState& state, LockView& view) {
    if (state.locked != 1) return true;
    if (verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct) return false;
    if (state.rememberedPage == kSettingsPageNumber && state.needPass == 1 &&
        verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct) {
        showError(state.user, shell::kSettingsAccessRefused);
        leaveLock(state, view, kWelcomePageNumber);
        return true;
    }
    leaveLock(state, view, state.rememberedPage);
    return true;
}

}  // namespace qinghe
