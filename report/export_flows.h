#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/ledger_rows.h"
#include "report/entry_export.h"
#include "report/statistics.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::report {

// The flows of the export, each a whole command with its questions and its
// message, run by the pages and by tests through the same calls.

// "选择导出方式" through the user; nothing when cancelled.
std::optional<ExportChoice> askExportChoice(AppState& state);

// The message that tells how an export ended: "账目导出成功！" (with the
// pieces that were no image, when there were such), or the folder or file
// that could not be written.
void tellExportOutcome(AppState& state, const EntryExport& result);

// "导出" of the entry list's menu, for the selected row (nothing selected:
// nothing happens): the folder chooser "请选择一个存放位置：", the choice
// form, the export and its message. A cancelled chooser or form ends it
// silently. Returns the export when it ran.
std::optional<EntryExport> exportEntryCommand(AppState& state, std::optional<std::size_t> row);

// "全部导出": every entry of the open ledger as "导出" writes one, each in its
// own folder, after one folder chooser and one choice form, behind the
// progress window. Stops at the first write that fails and names it.
// Returns the number of entries exported.
std::size_t exportAllCommand(AppState& state);

// Writes a CSV file (by `write`) where the user says (suggested:
// `suggestedName`, GBK), with ".csv" added to a name without an extension,
// and tells how it went. False when cancelled or failed.
bool saveCsvCommand(AppState& state, const std::string& suggestedName,
                    const std::function<bool(const std::filesystem::path&)>& write);

// "导出结果..." of 查账: the rows its list shows (`matches`; null: every row).
bool exportQueryCsvCommand(AppState& state, const LedgerRows& rows,
                           const std::vector<std::uint32_t>* matches);
// "导出..." of 数据统计: the rows of its list.
bool exportStatisticsCsvCommand(AppState& state, const Statistics& statistics);

}  // namespace qinghe::report
