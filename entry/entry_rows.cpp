#include "entry/entry_rows.h"

#include <cstring>
#include <vector>

#include "common/money_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "session/app_state.h"
#include "store/table_format.h"
#include "tables/schemas.h"

namespace qinghe::entry {

namespace {

// Where the entry fields lie in a record; fields of another type than the
// schema's are taken as missing.
struct EntryLayout {
    const store::FieldInfo* date = nullptr;
    const store::FieldInfo* direction = nullptr;
    const store::FieldInfo* item = nullptr;
    const store::FieldInfo* amount = nullptr;
    const store::FieldInfo* member = nullptr;
    const store::FieldInfo* note = nullptr;
    const store::FieldInfo* voucher = nullptr;

    bool complete() const {
        return date && direction && item && amount && member && note && voucher;
    }
};

EntryLayout layoutOf(const store::TableFile& file) {
    auto find = [&file](std::string_view name, store::FieldType type) -> const store::FieldInfo* {
        const int index = file.fieldIndex(name);
        if (index < 0) return nullptr;
        const store::FieldInfo& field = file.fields()[static_cast<std::size_t>(index)];
        return field.type == type ? &field : nullptr;
    };
    using store::FieldType;
    return {find(tables::field::kDate, FieldType::DateTime),
            find(tables::field::kDirection, FieldType::Integer),
            find(tables::field::kItem, FieldType::Text),
            find(tables::field::kAmount, FieldType::Double),
            find(tables::field::kMember, FieldType::Text),
            find(tables::field::kNote, FieldType::Text),
            find(tables::field::kHasVoucher, FieldType::Bool)};
}

std::string_view textAt(const std::uint8_t* record, const store::FieldInfo& field) {
    const auto* start = reinterpret_cast<const char*>(record + field.offset);
    const auto* end = static_cast<const char*>(std::memchr(start, 0, field.width));
    return std::string_view(start, end ? static_cast<std::size_t>(end - start) : field.width);
}

}  // namespace

std::string entryCellText(const LedgerRows& rows, std::size_t row, int column) {
    switch (column) {
        case kDateColumn:
            return dateToText(rows.date(row));
        case kDirectionColumn:
            return rows.income(row) ? kIncomeText : kExpenseText;
        case kItemColumn:
            return std::string(rows.item(row));
        case kAmountColumn:
            return moneyText(rows.amount(row));
        case kMemberColumn:
            return std::string(rows.member(row));
        case kNoteColumn:
            return std::string(rows.note(row));
        case kVoucherColumn:
            return rows.hasVoucher(row) ? kYesText : kNoText;
        default:
            return {};
    }
}

std::shared_ptr<LedgerRows> loadLedgerRows(AppState& state, const std::filesystem::path& table) {
    store::TableStore& tables = state.tables;
    if (!tables.openForWriting(table, "", tables::kStorePassword)) return nullptr;
    store::TableFile* file = tables.currentFile();
    const EntryLayout layout = layoutOf(*file);
    tables.first();
    if (!layout.complete()) return nullptr;

    auto rows = std::make_shared<LedgerRows>();
    const std::int32_t count = file->recordCount();
    rows->reserve(static_cast<std::size_t>(count));
    std::vector<std::int32_t> marked;
    bool everyRecord = true;
    const std::uint64_t recordSize = static_cast<std::uint64_t>(file->header().recordSize);
    for (std::int32_t i = 0; i < count; ++i) {
        // Every few thousand records the chunks already read are freed.
        if (i % 4096 == 0)
            file->releaseChunksBefore(file->recordsOffset() +
                                      static_cast<std::uint64_t>(i) * recordSize);
        const std::uint8_t* record = file->record(i);
        // A record that cannot be read shows as an empty entry in its place,
        // so every later row keeps its record number.
        if (!record) {
            rows->append(0, Direction::Expense, {}, 0, {}, {}, false);
            everyRecord = false;
            continue;
        }
        if (store::loadI32(record) < 0) marked.push_back(i);
        rows->append(clampDate(store::loadF64(record + layout.date->offset)),
                     directionFromStored(store::loadI32(record + layout.direction->offset)),
                     textAt(record, *layout.item), store::loadF64(record + layout.amount->offset),
                     textAt(record, *layout.member), textAt(record, *layout.note),
                     record[layout.voucher->offset] != 0);
    }
    // A deletion later need not look for records marked deleted: here they are.
    if (everyRecord) file->learnMarks(std::move(marked));
    // Everything is in the rows now: the deciphered chunks would only double it.
    file->releaseCache();
    return rows;
}

}  // namespace qinghe::entry
