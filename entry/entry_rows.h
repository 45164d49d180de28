#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "entry/ledger_rows.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

// The seven columns of the entry and query lists.
enum EntryColumn {
    kDateColumn,
    kDirectionColumn,
    kItemColumn,
    kAmountColumn,
    kMemberColumn,
    kNoteColumn,
    kVoucherColumn,
    kEntryColumnCount,
};

// The cell text (GBK) of a column: the date as yyyy-mm-dd, "收入"/"支出",
// the amount rounded to cents, "有"/"无" for the voucher flag.
std::string entryCellText(const LedgerRows& rows, std::size_t row, int column);

// Every entry of the table at `table`, in record order, read by one walk of
// its records. The table is opened to be written when it is not open, and is
// left current; the deciphered file is not kept once its rows are read. Null
// when it cannot be opened or lacks the entry fields (never the rows of
// another table).
std::shared_ptr<LedgerRows> loadLedgerRows(AppState& state, const std::filesystem::path& table);

}  // namespace qinghe::entry
