#pragma once

// Texts of the entry lists (GBK).

namespace qinghe::entry {

// 收入
inline constexpr char kIncomeText[] = "\xCA\xD5\xC8\xEB";
// 支出
inline constexpr char kExpenseText[] = "\xD6\xA7\xB3\xF6";
// 有
inline constexpr char kYesText[] = "\xD3\xD0";
// 无
inline constexpr char kNoText[] = "\xCE\xDE";
// 当前账簿：  (two spaces after the colon)
inline constexpr char kLedgerCaption[] = "\xB5\xB1\xC7\xB0\xD5\xCB\xB2\xBE\xA3\xBA  ";
// 起算日期：
inline constexpr char kStartDateCaption[] = "\xC6\xF0\xCB\xE3\xC8\xD5\xC6\xDA\xA3\xBA";
// 初始金额：
inline constexpr char kInitialAmountCaption[] = "\xB3\xF5\xCA\xBC\xBD\xF0\xB6\xEE\xA3\xBA";
// 累计收入：
inline constexpr char kIncomeCaption[] = "\xC0\xDB\xBC\xC6\xCA\xD5\xC8\xEB\xA3\xBA";
// 累计支出：
inline constexpr char kExpenseCaption[] = "\xC0\xDB\xBC\xC6\xD6\xA7\xB3\xF6\xA3\xBA";
// 当前余额：
inline constexpr char kBalanceCaption[] = "\xB5\xB1\xC7\xB0\xD3\xE0\xB6\xEE\xA3\xBA";

}  // namespace qinghe::entry
