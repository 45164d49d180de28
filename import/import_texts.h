#pragma once

#include <string>

#include "common/gbk.h"

// Captions and messages of the bill import (GBK).

namespace qinghe::import::texts {

inline const std::string kImportTitle = gbkText("导入账单");
inline const std::string kFileFilter = gbkText("账单文件 (*.csv *.xlsx *.zip)");
inline const std::string kAllFilesFilter = gbkText("所有文件 (*)");
inline const std::string kZipPasswordPrompt = gbkText("请输入账单压缩包的解压密码");
inline const std::string kZipPasswordWrong = gbkText("解压密码不正确，请重新输入！");

// Each message about a file begins with its name: "账单文件“X”".
inline const std::string kFileOpen = gbkText("账单文件“");
inline const std::string kFileClose = gbkText("”");
inline const std::string kUnreadable = gbkText("无法读取，请确认文件存在并且可以打开。");
inline const std::string kEmpty = gbkText("是空文件，没有可导入的账目。");
inline const std::string kTooLarge = gbkText("太大，不像是一份账单，未导入。");
inline const std::string kBadZip = gbkText("不是完整的压缩包，可能已经损坏或没有下载完整。");
inline const std::string kZipHoldsNoBill = gbkText("是一个压缩包，但里面没有可以识别的账单文件。");
inline const std::string kZipEntryDamaged = gbkText("里的账单已经损坏，无法解压。");
inline const std::string kZipPasswordStillWrong = gbkText("的解压密码不正确，未导入。");
inline const std::string kBadWorkbook =
    gbkText("不是有效的 Excel 工作簿（.xlsx），可能已经损坏或没有下载完整。");
inline const std::string kNotText =
    gbkText("既不是文本账单（CSV），也不是 Excel 工作簿，无法识别。");
inline const std::string kNoTable = gbkText("里找不到账单的表头和账目，无法识别。");
inline const std::string kAtLine = gbkText("第 ");
inline const std::string kUnclosedQuote =
    gbkText(" 行的引号没有结束，文件可能不完整，未导入任何账目。");
inline const std::string kBadDate = gbkText(" 行的日期无法识别，未导入任何账目。");
inline const std::string kBadAmount =
    gbkText(" 行的金额不是有效的数字（最大为 1000000000000），未导入任何账目。");
inline const std::string kNeedsMapping =
    gbkText("不是支付宝或微信支付的账单：请先指定日期和金额所在的列。");
inline const std::string kNumbersDamaged =
    gbkText("本账簿的导入记录文件已损坏，无法判断哪些交易已经导入过。为避免重复记账，暂不能导入。");

inline const std::string kNothingTicked = gbkText("没有勾选任何要导入的账目。");
inline const std::string kImportedPrefix = gbkText("已导入 ");
inline const std::string kImportedSuffix = gbkText(" 条账目。");
inline const std::string kImportFailed = gbkText("账目写入失败，账簿没有改变，请稍后重试。");
inline const std::string kNumbersNotSaved = gbkText(
    "账目已经导入，但导入记录未能保存：下次打开账簿时会再核对一次。在此之前请不要再次导入同一份账单"
    "。");
inline const std::string kNumbersNotWritten =
    gbkText("导入记录未能写入磁盘，账簿没有改变，请稍后重试。");
inline const std::string kSetupNotSaved = gbkText("项目对应关系未能保存到 setup\\import.ini。");
inline const std::string kDoneTitle = gbkText("完成");

// Statuses and reasons of the preview's rows.
inline const std::string kStatusNew = gbkText("新");
inline const std::string kStatusDuplicate = gbkText("重复");
inline const std::string kStatusPossibleDuplicate = gbkText("可能重复");
inline const std::string kStatusSkipped = gbkText("跳过");
inline const std::string kReasonNeutral = gbkText("不计收支");
inline const std::string kReasonNotThrough = gbkText("交易未成功");
inline const std::string kReasonRefundedInFull = gbkText("已全额退款，与退款相抵");
inline const std::string kReasonRefundOffsets = gbkText("退款，与原交易相抵");
inline const std::string kReasonRefundDeducted = gbkText("退款，已从原交易中扣除");
inline const std::string kReasonPartlyRefunded = gbkText("部分退款，按实付金额记");
inline const std::string kReasonRefundAlone = gbkText("退款，原交易不在本文件中");
inline const std::string kReasonZero = gbkText("金额为 0");
inline const std::string kReasonSummary = gbkText("汇总行");
inline const std::string kReasonImportedBefore = gbkText("以前已导入");
inline const std::string kReasonTwiceInFile = gbkText("文件中已出现过");
inline const std::string kReasonSameAsEntry = gbkText("与已有账目同日、同方向、同金额");
inline const std::string kReasonReplaced = gbkText("备注中无法保存的字符已换成“?”");
inline const std::string kIncome = gbkText("收入");
inline const std::string kExpense = gbkText("支出");

// The forms as the preview names them.
inline const std::string kFormatAlipay = gbkText("支付宝账单");
inline const std::string kFormatAlipayWeb = gbkText("支付宝账单（网页版）");
inline const std::string kFormatWeChat = gbkText("微信支付账单");
inline const std::string kFormatMapped = gbkText("其他账单（按列对应）");

// The mapped fields as the dialog names them, in the order of MappedField.
inline const std::string kFieldNames[] = {
    gbkText("日期"),     gbkText("时间"),  gbkText("金额（正负）"), gbkText("收入金额"),
    gbkText("支出金额"), gbkText("收/支"), gbkText("项目（分类）"), gbkText("成员"),
    gbkText("交易对方"), gbkText("备注")};

}  // namespace qinghe::import::texts
