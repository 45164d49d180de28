#pragma once

#include "common/standard_messages.h"

// Messages of the main window.

namespace qinghe::ui {

inline const std::string kNoLedgerOpen = gbkText("请先选择一个账簿！");
inline const std::string kNoHelpFile =
    gbkText("现在还没有提供帮助文件，该文件将在可用时提供给您查阅！");
inline const std::string kNoHelpFileTitle = gbkText("未找到帮助文件");

inline const std::string kDataFolderNotOpened = gbkText("无法打开数据文件夹：");

}  // namespace qinghe::ui
