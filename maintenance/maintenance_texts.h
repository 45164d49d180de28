#pragma once

#include <string>

#include "common/gbk.h"
#include "common/standard_messages.h"

// Messages of backup, restore and initialisation.

namespace qinghe::maintenance_texts {

using texts::kErrorTitle;
using texts::kSuccessTitle;

inline const std::string kBackupDone = gbkText("数据库已经备份完毕！");
inline const std::string kDoneTitle = gbkText("完成");
inline const std::string kBackupFailed =
    gbkText("数据库备份失败！请确认存储空间足够并且未写保护。之前的备份没有改变。");
inline const std::string kBackupDataUnreadable = gbkText(
    "数据库备份失败：无法读取 data 文件夹中的文件。请确认它们可以读取。之前的备份没有改变。");
inline const std::string kBackupBlockedByRestore = gbkText(
    "数据库没有备份：上次的还原尚未完成。请确认软件所在的文件夹未写保护，然后重新启动软件。");
inline const std::string kBackupBlockedByInitialise = gbkText(
    "数据库没有备份：上次的初始化尚未完成。请确认软件所在的文件夹未写保护，然后重新启动软件。");
inline const std::string kConfirmRestoreLatest = gbkText("确实要还原数据库到最近的备份？");
inline const std::string kConfirmRestorePrefix = gbkText("确实要还原数据库到");
inline const std::string kConfirmRestoreSuffix = gbkText("的备份？");
inline const std::string kRestoreTitle = gbkText("还原");
inline const std::string kRestoreDone = gbkText("还原完成！，软件现在需要重新启动！");
inline const std::string kNoBackupToRestore = gbkText("没有找到可以还原的备份！");
inline const std::string kRestoreFailed =
    gbkText("数据库还原失败！请确认存储空间足够并且未写保护。");
inline const std::string kRestorePending =
    gbkText("数据库还原尚未完成，将在软件下次启动时自动完成。软件现在需要退出，请手动重新启动！");
inline const std::string kBackupProgress = gbkText("请稍后，正在备份数据...");
inline const std::string kRestoreProgress = gbkText("请稍后，正在还原数据...");
inline const std::string kSafetyBackupFailedRestore =
    gbkText("无法先为当前的数据做一份备份，还原之后将不能撤销！\r\n仍然要继续还原吗？");
inline const std::string kConfirmInitialise =
    gbkText("确实要初始化数据库？\r\n安全警告：初始化数据库将会导致所有数据丢失！");
inline const std::string kInitialiseTitle = gbkText("初始化");
inline const std::string kInitialiseDone =
    gbkText("数据库初始化完毕，软件需要重新启动！单击确定，将会退出软件，请手动重新启动！");
inline const std::string kInitialiseFailed = gbkText("数据库初始化失败！请确认存储空间未写保护。");
inline const std::string kInitialisePending =
    gbkText("数据库初始化尚未完成，将在软件下次启动时自动完成。软件现在需要退出，请手动重新启动！");
inline const std::string kSafetyBackupFailedInitialise = gbkText(
    "无法先为当前的数据做一份备份，初始化之后将无法找回现有的数据！\r\n仍然要继续初始化吗？");
inline const std::string kSafetyBackupFailedReset = gbkText(
    "无法先为现有的设置做一份备份，还原默认设置之后将无法找回现有的设置！\r\n"
    "仍然要继续还原默认设置吗？");
inline const std::string kBackupsKeptOutOfRange = gbkText("保留的备份份数应在 2 到 99 之间！");
inline const std::string kLatestMark = gbkText("（最新）");
inline const std::string kLedgersUnit = gbkText(" 个账簿");

}  // namespace qinghe::maintenance_texts
