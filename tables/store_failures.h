#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/gbk.h"
#include "common/user_interaction.h"
#include "store/table_store.h"
#include "store/value.h"

// What the program does when the store refuses a read or cannot write a
// table's files as it closes them.
namespace qinghe::tables {

inline const std::string kNoCurrentTableMessage = gbkText("未指定当前数据库或者指定数据库未打开");
inline const std::string kNoSuchFieldMessage = gbkText("指定字段不存在");
inline const std::string kTablesNotWrittenTitle = gbkText("提示");
inline const std::string kTablesNotWritten = gbkText(
    "数据未能全部写入数据文件，请检查磁盘空间和写入权限！已完成的更改记录在数据文件旁，"
    "下次打开时补写。");

// A field of the record under the current table's cursor. The program reads
// only the fields of its own tables, so a read the store refuses (no current
// table, no such field) means a fault of the program or a table of another
// form in the place of one of its own: the reason is shown and the program
// ends, since going on would act on values that are not there. The value
// returned then is an empty text.
store::Value readField(store::TableStore& tables, UserInteraction& user, std::string_view field);
store::Value readField(store::TableStore& tables, UserInteraction& user, int fieldNumber);

inline const std::string kRepairTitle = gbkText("数据修复");
inline const std::string kNeedsRepairPrefix = gbkText("数据文件需要修复：");
inline const std::string kNeedsRepairSuffix = gbkText(
    "。显示的是能够读出的部分；运行本软件或 `qinghe-cli repair` "
    "修复它（先把损坏的文件另存一份）。");
inline const std::string kRepairedPrefix = gbkText("数据文件已修复：");

// Tells the user, through `user`, what opening a table found wrong: a table
// opened to read needs a repair (a warning), one opened to write was repaired
// (what was done). Changes a log left, finished or read, are told only when
// finished.
void tellFindings(UserInteraction& user, const std::filesystem::path& table,
                  const std::vector<std::string>& findings, store::Access access);

// Closes every table (before a restore or an initialisation replaces the
// files, and at the end of the program). A change that did not reach the
// table's files is told with kTablesNotWritten: its change log finishes it
// when the table is next opened. True when everything reached the files.
bool closeAllTables(store::TableStore& tables, UserInteraction& user);

}  // namespace qinghe::tables
