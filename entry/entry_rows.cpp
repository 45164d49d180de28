#include "entry/entry_rows.h"

#include <utility>

#include "common/money_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "session/app_state.h"
#include "store/schemas.h"

namespace qinghe::entry {

namespace {

std::string takeText(store::Value&& value) {
    if (auto* text = std::get_if<std::string>(&value)) return std::move(*text);
    return store::toText(value);
}

}  // namespace

std::string entryCellText(const EntryRow& row, int column) {
    switch (column) {
        case kDateColumn:
            return dateToText(row.date);
        case kDirectionColumn:
            return row.direction == 1 ? kIncomeText : kExpenseText;
        case kItemColumn:
            return row.item;
        case kAmountColumn:
            return moneyText(row.amount);
        case kMemberColumn:
            return row.member;
        case kNoteColumn:
            return row.note;
        case kVoucherColumn:
            return row.hasVoucher ? kYesText : kNoText;
        default:
            return {};
    }
}

std::shared_ptr<const EntryRows> readEntryRows(AppState& state, const std::filesystem::path& table,
                                               EntryTotals* totals) {
    auto rows = std::make_shared<EntryRows>();
    if (totals) *totals = {};
    store::TableStore& tables = state.tables;
    const std::string name = table.string();
    if (!tables.isOpen(table) && !tables.open(table, "", store::kStorePassword)) return rows;
    if (!tables.select(name)) return rows;

    // Fields are looked up once; a table without them is not an entry table
    // and shows nothing rather than ending the program on a read.
    const int date = tables.fieldNumber(store::field::kDate);
    const int direction = tables.fieldNumber(store::field::kDirection);
    const int item = tables.fieldNumber(store::field::kItem);
    const int amount = tables.fieldNumber(store::field::kAmount);
    const int member = tables.fieldNumber(store::field::kMember);
    const int note = tables.fieldNumber(store::field::kNote);
    const int voucher = tables.fieldNumber(store::field::kHasVoucher);
    tables.first();
    if (!date || !direction || !item || !amount || !member || !note || !voucher) return rows;

    const std::int32_t count = tables.recordCount();
    rows->reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    double income = 0;
    double expense = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        EntryRow& row = rows->emplace_back();
        row.recordNumber = tables.recordNumber();
        row.date = store::toDate(tables.read(date));
        row.direction = static_cast<std::int32_t>(store::toInteger(tables.read(direction)));
        row.item = takeText(tables.read(item));
        row.amount = store::toDouble(tables.read(amount));
        row.member = takeText(tables.read(member));
        row.note = takeText(tables.read(note));
        row.hasVoucher = store::toBool(tables.read(voucher));
        (row.direction == 1 ? income : expense) += row.amount;
        tables.skip(1);
    }
    tables.first();
    if (totals) *totals = {income, expense};
    return rows;
}

}  // namespace qinghe::entry
