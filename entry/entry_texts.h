#pragma once

#include <string>

#include "common/gbk.h"

// Texts of the entry lists.

namespace qinghe::entry {

inline const std::string kIncomeText = gbkText("收入");
inline const std::string kExpenseText = gbkText("支出");
inline const std::string kYesText = gbkText("有");
inline const std::string kNoText = gbkText("无");
// Two spaces after the colon.
inline const std::string kLedgerCaption = gbkText("当前账簿：  ");
inline const std::string kStartDateCaption = gbkText("起算日期：");
inline const std::string kInitialAmountCaption = gbkText("初始金额：");
inline const std::string kIncomeCaption = gbkText("累计收入：");
inline const std::string kExpenseCaption = gbkText("累计支出：");
inline const std::string kBalanceCaption = gbkText("当前余额：");

}  // namespace qinghe::entry
