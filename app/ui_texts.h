#pragma once

#include "common/standard_messages.h"

namespace qinghe::ui {

inline const std::string kAlreadyRunning =
    gbkText("青禾 家庭流水记账软件已经在运行，已为您切换到正在运行的窗口。");
inline const std::string kDataFolderNotMade = gbkText("无法创建数据文件夹：");
inline const std::string kNoticeTitle = gbkText("提示");

}  // namespace qinghe::ui
