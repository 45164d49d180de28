#pragma once

#include <string>

#include "common/user_interaction.h"

// Titles of message boxes that every subsystem uses (GBK), and the plain
// error message most failures are told with.

namespace qinghe::texts {

// 错误
inline constexpr char kErrorTitle[] = "\xB4\xED\xCE\xF3";
// 成功
inline constexpr char kSuccessTitle[] = "\xB3\xC9\xB9\xA6";

// 输入的文字中有无法保存的字符（例如表情符号），请删除后重试！
inline constexpr char kUnstorableText[] =
    "\xCA\xE4\xC8\xEB\xB5\xC4\xCE\xC4\xD7\xD6\xD6\xD0\xD3\xD0\xCE\xDE\xB7\xA8\xB1\xA3\xB4\xE6\xB5"
    "\xC4\xD7\xD6\xB7\xFB\xA3\xA8\xC0\xFD\xC8\xE7\xB1\xED\xC7\xE9\xB7\xFB\xBA\xC5\xA3\xA9\xA3\xAC"
    "\xC7\xEB\xC9\xBE\xB3\xFD\xBA\xF3\xD6\xD8\xCA\xD4\xA3\xA1";

}  // namespace qinghe::texts

namespace qinghe {

// An error icon, an OK button and the title "错误".
inline void showError(UserInteraction& user, std::string text) {
    user.showMessage({std::move(text), texts::kErrorTitle, MessageIcon::Error, MessageButtons::Ok});
}

}  // namespace qinghe
