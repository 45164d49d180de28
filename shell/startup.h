#pragma once

#include "session/app_state.h"

namespace qinghe {

struct StartupResult {
    bool loggedIn = false;   // false: the program has been ended
    int startPage = 0;       // 0 欢迎 or 1 账簿管理
    bool showWindow = true;  // false: start in the tray only
    bool freshInstallation = false;
};

// The start-up sequence up to the point where the main window fills its pages:
// the backup behind its progress window, the user store, the login check and
// the settings. After a failed login the program has been ended (through the
// user interaction) and loggedIn is false.
StartupResult startUp(AppState& state);

// The question "确实要退出软件？"; true on OK.
bool confirmExit(UserInteraction& user);
// Closes every table.
void closeDown(AppState& state);
// What happens when the main window goes: close everything, then the exit
// backup when the backup mode says so.
void shutDown(AppState& state);

}  // namespace qinghe
