#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

// One entry as the lists show it. The values are kept as read; the cell texts
// are made when a cell is shown, so building the rows costs little more than
// reading the table.
struct EntryRow {
    std::int32_t recordNumber = 0;  // 1-based, how handlers find the entry
    double date = 0;
    std::int32_t direction = 0;  // 1 income; anything else is expense
    std::string item;            // GBK, as stored
    double amount = 0;
    std::string member;
    std::string note;
    bool hasVoucher = false;
};

using EntryRows = std::vector<EntryRow>;

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
std::string entryCellText(const EntryRow& row, int column);

// Income and expense of the rows read, in double precision.
struct EntryTotals {
    double income = 0;
    double expense = 0;
};

// Every entry of the table at `table`, in record order. The table is opened
// with the store password when it is not open yet; afterwards it is the
// current table, on its first record. A table that cannot be opened, or that
// lacks the entry fields, gives no rows (never the rows of another table).
std::shared_ptr<const EntryRows> readEntryRows(AppState& state, const std::filesystem::path& table,
                                               EntryTotals* totals = nullptr);

}  // namespace qinghe::entry
