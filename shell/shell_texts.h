#pragma once

#include "common/standard_messages.h"

// Texts of the start-up, the shut-down and the screen lock.

namespace qinghe::shell {

using texts::kErrorTitle;

inline const std::string kLoginRefused = gbkText("由于密码不正确，您不能使用本软件！");
inline const std::string kConfirmExit = gbkText("确实要退出软件？");
inline const std::string kExitTitle = gbkText("退出");
inline const std::string kInitialPasswordNote =
    gbkText("首次使用：初始登录密码为 470913，进入软件后请及时修改。");
inline const std::string kUserStoreUnusable =
    gbkText("无法打开或创建用户数据文件（user\\user.edb），软件将退出！");
inline const std::string kSettingsAccessRefused = gbkText("您取消了密码验证，访问该功能被拒绝！");

}  // namespace qinghe::shell
