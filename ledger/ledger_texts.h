#pragma once

#include <string>

#include "common/gbk.h"

// Messages of the ledger flows.

namespace qinghe::ledger {

inline const std::string kInvalidName = gbkText("请输入一个有效的账簿名称！");
inline const std::string kCreateFailed = gbkText("创建账簿失败！请确认存储空间足够并且未写保护！");
inline const std::string kChangeNeedsPassword =
    gbkText("修改账簿名称需要校验密码，请输入原账簿密码！");
inline const std::string kOldPasswordWrong = gbkText("原密码错误，请重新输入！");
inline const std::string kDeleteQuestion =
    gbkText("确实要删除选定的账簿？\r\n\r\n警告：账簿删除将无法恢复！");
inline const std::string kDeleteTitle = gbkText("删除账簿");
inline const std::string kClearQuestion =
    gbkText("确实要清空所有的账簿？\r\n\r\n警告：账簿清空将无法恢复！");
inline const std::string kClearTitle = gbkText("清空账簿");
inline const std::string kEnterPassword = gbkText("请输入密码！");
inline const std::string kWrongPassword = gbkText("密码输入错误，请重新输入！");
inline const std::string kLedgerMissing = gbkText("账簿数据打开失败，账目可能已经损坏或丢失！");
inline const std::string kDeleteFailed = gbkText("删除账簿失败！请确认存储空间足够并且未写保护！");
inline const std::string kClearFailed = gbkText("清空账簿失败！请确认存储空间足够并且未写保护！");
inline const std::string kNameTooLong = gbkText("账簿名称太长，请输入一个较短的名称！");
// In each figure of a ledger while its entries are being counted.
inline const std::string kCountingMark = gbkText("…");
// After the name of a ledger whose data file cannot be read.
inline const std::string kDamagedMark = gbkText("（已损坏）");
// The section of debug.ini that records failed creations.
inline constexpr char kDebugSection[] = "ERROR";

}  // namespace qinghe::ledger
