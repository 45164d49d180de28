#include "shell/screen_lock.h"

#include "common/standard_messages.h"
#include "session/password_check.h"
#include "shell/shell_texts.h"

namespace qinghe {
namespace {

constexpr std::int64_t kMillisecondsPerMinute = 60000;

void leaveLock(AppState& state, LockView& view, int page) {
    // The flag first: the window keeps the lock page while it is set.
    state.locked = false;
    view.selectPage(page);
    view.setToolbarEnabled(true);
}

}  // namespace

bool idleLockDue(const AppState& state, std::int64_t idleMilliseconds) {
    const Settings& settings = state.settings;
    return !state.locked && settings.idleLock && settings.idleMinutes > 0 &&
           idleMilliseconds >= std::int64_t{settings.idleMinutes} * kMillisecondsPerMinute;
}

void lockSoftware(AppState& state, LockView& view) {
    if (state.locked) return;
    state.rememberedPage = view.currentPage();
    view.selectPage(kLockPageNumber);
    view.setToolbarEnabled(false);
    state.locked = true;
}

bool unlockSoftware(AppState& state, LockView& view) {
    if (!state.locked) return true;
    if (verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct) return false;
    if (state.rememberedPage == kSettingsPageNumber && state.needPass &&
        verifyPassword(state.user, state.loginPassword) != PasswordOutcome::Correct) {
        showError(state.user, shell::kSettingsAccessRefused);
        leaveLock(state, view, kWelcomePageNumber);
        return true;
    }
    leaveLock(state, view, state.rememberedPage);
    return true;
}

}  // namespace qinghe
