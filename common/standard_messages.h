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

}  // namespace qinghe::texts

namespace qinghe {

// An error icon, an OK button and the title "错误".
inline void showError(UserInteraction& user, std::string text) {
    user.showMessage({std::move(text), texts::kErrorTitle, MessageIcon::Error, MessageButtons::Ok});
}

}  // namespace qinghe
