#pragma once

#include <cstddef>
#include <optional>

#include "entry/entry_list.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

// Whether an important operation on the open ledger may go on: when the
// ledger has an access password and "重要操作需要校验密码" is on, only once
// that password was typed in the password dialog.
bool passImportantOperationGate(AppState& state);

// "删除条目" and "删除！": without a selected row nothing happens. Asks
// "确实要删除选定的条目？"; on OK, through the password gate, the entry's record
// goes (later ones move up one) and both lists lose that row. True when it was
// deleted; a failed write is said and leaves the ledger as it was.
bool deleteSelectedEntry(AppState& state, std::optional<std::size_t> row, EntryListView& lists);

// "清空账目": with an empty list nothing happens. Asks "确实要清空所有账目？";
// on OK, through the password gate, every entry goes and the ledger stays
// open with zero totals. True when it was cleared.
bool clearAllEntries(AppState& state, std::size_t shownRows, EntryListView& lists);

}  // namespace qinghe::entry
