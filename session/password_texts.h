#pragma once

#include "common/standard_messages.h"

// Texts of the login password, its check and the important-operation
// password.

namespace qinghe::password_texts {

using texts::kErrorTitle;
using texts::kSuccessTitle;

inline const std::string kWrongPassword = gbkText("您输入的密码不正确，请重试！");
// The login password of a new user store, as published.
inline constexpr char kDefaultLoginPassword[] = "470913";
inline const std::string kOldLoginPasswordWrong = gbkText("原密码错误，请重新输入！");
inline const std::string kNewPasswordsDiffer = gbkText("两次输入的新密码不一致，请重新输入！");
inline const std::string kNewPasswordTooLong =
    gbkText("新密码太长：最多20个字符（每个汉字算2个）！");
inline const std::string kLoginPasswordChanged = gbkText("登录密码修改成功！");
inline const std::string kLoginPasswordNotSaved =
    gbkText("登录密码保存失败！请确认存储空间足够并且未写保护。登录密码没有改变。");
inline const std::string kNeedPassNotSaved = gbkText(
    "设置保存失败！请确认存储空间足够并且未写保护。无法写入用户数据文件（user\\user.edb）。");

}  // namespace qinghe::password_texts
