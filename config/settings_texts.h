#pragma once

#include <string>

#include "common/gbk.h"

// Messages of the settings page.

namespace qinghe::settings_texts {

inline const std::string kSettingsSaved = gbkText("所有设置保存成功！");
inline const std::string kConfirmRestoreDefaults = gbkText(
    "确实要还原默认设置？\r\n"
    "以下内容将恢复为默认：收入项目和支出项目列表、家庭成员列表、起算日期和初始金额、"
    "备份方式、空闲锁定、开机自启动和本页的其他选项。\r\n"
    "还原之前，现有的设置会先保存为一份备份，可以用“数据库还原...”找回。\r\n"
    "提示：账目数据不会被还原，并且登陆密码也不会被还原！");
inline const std::string kRestoreDefaultsTitle = gbkText("还原设置");
inline const std::string kDefaultsRestored =
    gbkText("还原设置成功，软件现在需要退出，请您手动重新启动软件！");
inline const std::string kDefaultsRestoredTitle = gbkText("成功！");

inline const std::string kSettingsNotSaved =
    gbkText("设置保存失败！请确认存储空间足够并且未写保护。无法写入：");
inline const std::string kDefaultsNotRestored =
    gbkText("还原设置失败！请确认存储空间未写保护。无法删除：");

}  // namespace qinghe::settings_texts
