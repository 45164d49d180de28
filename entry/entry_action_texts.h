#pragma once

#include <string>

#include "common/gbk.h"

// Messages and captions of the entry windows and of deleting and clearing
// entries.

namespace qinghe::entry {

// The add window.
inline const std::string kAddAmountMissing = gbkText("请输入该条目的金额！");
// The modify page.
inline const std::string kModifyAmountMissing = gbkText("请输入项目的金额！");
inline const std::string kAmountInvalid =
    gbkText("请输入一个有效的金额：一个数字，绝对值不超过1000000000000（一万亿）！");
inline const std::string kLineBreakInName = gbkText("项目和成员中不能有换行！");
inline const std::string kAddFailed = gbkText("添加条目失败！请确认存储空间足够并且未写保护！");
inline const std::string kSaveFailed = gbkText("保存条目失败！请确认存储空间足够并且未写保护！");
inline const std::string kDeleteFailed = gbkText("删除条目失败！请确认存储空间足够并且未写保护！");
inline const std::string kClearFailed = gbkText("清空账目失败！请确认存储空间足够并且未写保护！");
// The add window, after its ledger was deleted.
inline const std::string kNoLedgerOpen = gbkText("请先选择一个账簿！");
inline const std::string kDeleteQuestion = gbkText("确实要删除选定的条目？\r\n条目删除无法恢复！");
inline const std::string kDeleteEntryTitle = gbkText("删除");
inline const std::string kClearQuestion = gbkText("确实要清空所有账目？\r\n账目清空无法恢复！");
inline const std::string kClearEntriesTitle = gbkText("清空");

// The labels of the "查看" page, each followed by its value.
inline const std::string kTimeCaption = gbkText("时间：  ");
inline const std::string kDirectionCaption = gbkText("收支方向：  ");
inline const std::string kItemCaption = gbkText("项目：  ");
inline const std::string kMemberCaption = gbkText("成员：  ");
inline const std::string kAmountCaption = gbkText("金额：  ");

}  // namespace qinghe::entry
