#pragma once

#include <functional>
#include <string_view>

#include "common/run_directory.h"
#include "common/user_interaction.h"
#include "config/autostart.h"
#include "config/settings.h"

namespace qinghe {

// The flows of the "系统设置" page. Each control changes the value in memory
// at once and writes its own key; a write that fails is told, naming the file,
// and nothing claims success that did not happen.

// What the page works on.
struct SettingsPageContext {
    const RunDirectory& run;
    Settings& settings;
    UserInteraction& user;
    const AutostartPlaces& autostart;
};

// The check boxes of the page that write system.ini at once.
enum class SettingSwitch {
    HideWelcome,        // "以后不再显示欢迎页面" (on the welcome page): qsy
    VisualGuidance,     // "启用视觉使用指导": sjzd
    StartWithComputer,  // "开机自启动": kjzqd and the desktop's autostart entry
    StartInBackground,  // "启动后切换到后台": qdhqhdht
    IdleLock,           // "空闲一段时间后自动锁定": kxzdsd
};

// A box ticked or unticked. True when everything it writes was written.
bool changeSettingSwitch(const SettingsPageContext& page, SettingSwitch which, bool ticked);
// The idle-minutes box, on every change of its text.
bool changeIdleMinutes(const SettingsPageContext& page, std::string_view text);

// "保存设置": the four files from memory, then "所有设置保存成功！"; when a file
// cannot be written, an error naming each such file instead. True when all
// four were written.
bool saveAllSettings(const SettingsPageContext& page);

// "还原默认设定...": after the warning, which names everything that goes back
// to its default, is answered with OK, `keepSettings` keeps the settings as
// they are (in a backup generation, so that the reset can be undone like a
// restore; false gives the reset up), the setup folder goes, the autostart
// entry goes with the 开机自启动 setting, and the program ends. False when
// cancelled, given up, or when the settings could not be deleted (said so;
// the program then goes on).
bool restoreDefaults(const SettingsPageContext& page, const std::function<bool()>& keepSettings);

}  // namespace qinghe
