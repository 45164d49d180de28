#pragma once

#include <cstdint>

#include "session/app_state.h"

namespace qinghe {

// What the lock changes on the main window: its page and its toolbar.
class LockView {
  public:
    virtual ~LockView() = default;
    virtual int currentPage() const = 0;
    virtual void selectPage(int page) = 0;
    virtual void setToolbarEnabled(bool enabled) = 0;
};

// Pages the lock knows by number.
inline constexpr int kWelcomePageNumber = 0;
inline constexpr int kSettingsPageNumber = 5;
inline constexpr int kLockPageNumber = 7;

// The idle check: true when the program should lock now, after this many
// milliseconds without input: "空闲一段时间后自动锁定" ticked, an idle period
// greater than 0 minutes, reached, and not locked already.
bool idleLockDue(const AppState& state, std::int64_t idleMilliseconds);

// Remembers the current page, shows the lock page, disables the toolbar and
// sets the locked flag. Nothing when locked already.
void lockSoftware(AppState& state, LockView& view);

// The lock page's button: the login password unlocks (refused, the program
// stays locked); back to the settings page with needpass 1 it is asked once
// more, and refusing that leads to the welcome page, unlocked, after
// "您取消了密码验证，访问该功能被拒绝！". True when unlocked.
bool unlockSoftware(AppState& state, LockView& view);

}  // namespace qinghe
