#include "cli/entry_line.h"

#include "entry/entry_rows.h"

namespace qinghe::cli {

JsonLine entryLine(const LedgerRows& rows, std::size_t row) {
    auto cell = [&](int column) { return shownText(entry::entryCellText(rows, row, column)); };
    return {{"recno", row + 1},
            {"date", cell(entry::kDateColumn)},
            {"direction", cell(entry::kDirectionColumn)},
            {"item", cell(entry::kItemColumn)},
            {"amount", cell(entry::kAmountColumn)},
            {"member", cell(entry::kMemberColumn)},
            {"note", cell(entry::kNoteColumn)},
            {"voucher", cell(entry::kVoucherColumn)}};
}

}  // namespace qinghe::cli
