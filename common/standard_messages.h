#pragma once

#include <string>

#include "common/gbk.h"
#include "common/user_interaction.h"

// Titles of message boxes that every subsystem uses, and the plain
// error message most failures are told with.

namespace qinghe::texts {

inline const std::string kErrorTitle = gbkText("错误");
inline const std::string kSuccessTitle = gbkText("成功");
inline const std::string kUnstorableText =
    gbkText("输入的文字中有无法保存的字符（例如表情符号），请删除后重试！");

}  // namespace qinghe::texts

namespace qinghe {

// An error icon, an OK button and the title "错误".
inline void showError(UserInteraction& user, std::string text) {
    user.showMessage({std::move(text), texts::kErrorTitle, MessageIcon::Error, MessageButtons::Ok});
}

}  // namespace qinghe
