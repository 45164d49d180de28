#pragma once

#include <string>

#include "common/gbk.h"
#include "config/name_list_texts.h"

// Texts of the query, the statistics and the export.

namespace qinghe::report {

// 全部: the choice that restricts nothing, first of the filter choices
using name_list_texts::kAllChoice;
inline const std::string kSummaryText = gbkText("汇总");

inline const std::string kTotalCaption = gbkText("当前累计：");
inline const std::string kBalanceSuffix = gbkText("元（结余）");
inline const std::string kExpenseSuffix = gbkText("元（支出）");
inline const std::string kIncomeSuffix = gbkText("元（收入）");
inline const std::string kYuan = gbkText("元");

inline const std::string kEntryFileName = gbkText("账目.txt");
inline const std::string kVoucherFolderName = gbkText("凭证");
// A space before it.
inline const std::string kAmountColon = gbkText(" 金额：");

inline const std::string kChooseExportFolder = gbkText("请选择一个存放位置：");
inline const std::string kExportDone = gbkText("账目导出成功！");
inline const std::string kDoneTitle = gbkText("完成");
inline const std::string kNoticeTitle = gbkText("提示");
inline const std::string kExportFailedPrefix = gbkText("账目导出失败：无法写入“");
inline const std::string kExportFailedSuffix =
    gbkText("”，请检查该位置是否可以写入、磁盘是否还有空间！");
inline const std::string kVouchersUnreadable =
    gbkText("无法读取这条账目的凭证图片，账簿数据可能已经损坏！");
inline const std::string kSkippedPrefix = gbkText("以下凭证不是可以识别的图片，没有导出：");
inline const std::string kPieceNumberPrefix = gbkText("第");
inline const std::string kPieceNumberSuffix = gbkText("张");
inline const std::string kListSeparator = gbkText("、");
inline const std::string kExportingAll = gbkText("正在导出全部账目，请稍候...");
inline const std::string kExportedCountPrefix = gbkText("共导出");
inline const std::string kEntryNumberMiddle = gbkText("条账目的");
inline const std::string kExportedCountSuffix = gbkText("条账目。");
inline const std::string kNothingToExport = gbkText("当前账簿中没有账目可以导出！");

inline const std::string kCsvTitle = gbkText("导出为CSV文件");
inline const std::string kCsvFilter = gbkText("CSV文件 (*.csv)");
inline const std::string kQueryCsvName = gbkText("查账结果.csv");
inline const std::string kStatisticsCsvName = gbkText("数据统计.csv");
inline const std::string kCsvDone = gbkText("数据导出成功！");
inline const std::string kCsvFailedPrefix = gbkText("数据导出失败：无法写入“");
inline const std::string kCsvFailedSuffix = gbkText("”！");
inline const std::string kNoQueryRows = gbkText("查询结果中没有账目可以导出！");
inline const std::string kNoStatisticsRows = gbkText("没有可以导出的统计结果，请先点击“查询”！");

// The header of a CSV file of entries.
inline const std::string kRecordHeader = gbkText("记录号");
inline const std::string kDateHeader = gbkText("日期");
inline const std::string kDirectionHeader = gbkText("方向");
inline const std::string kItemHeader = gbkText("项目");
inline const std::string kAmountHeader = gbkText("金额");
inline const std::string kMemberHeader = gbkText("成员");
inline const std::string kNoteHeader = gbkText("备注");
inline const std::string kVoucherHeader = gbkText("票据附录");

}  // namespace qinghe::report
