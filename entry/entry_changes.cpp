#include "entry/entry_changes.h"

#include <utility>
#include <variant>

#include "common/gbk.h"
#include "common/ole_date.h"
#include "entry/entry_list.h"
#include "session/app_state.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::entry {

namespace {

// The open ledger's table, current and open to be written, with its rows.
// Lists left showing rows that a failed change could not read again are made
// again from the rows read now, so that no list counts rows of another copy.
LedgerRows* openTable(AppState& state, EntryListView* view) {
    auto rows = currentLedgerRows(state);
    auto table = currentLedgerTable(state);
    if (!rows || !table) return nullptr;
    if (state.currentLedger.listsBehind && view) {
        fillEntryAndQueryLists(state, *view);
        state.currentLedger.listsBehind = false;
    }
    if (!state.tables.openForWriting(*table, "", tables::kStorePassword)) return nullptr;
    return rows.get();
}

bool writeValues(store::TableStore& tables, const EntryValues& values) {
    return tables.write(tables::field::kDate, store::DateTime{values.date}) &&
           tables.write(tables::field::kDirection, storedDirection(values.direction)) &&
           tables.write(tables::field::kItem, values.item) &&
           tables.write(tables::field::kAmount, values.amount) &&
           tables.write(tables::field::kMember, values.member) &&
           tables.write(tables::field::kNote, values.note) &&
           tables.write(tables::field::kHasVoucher, values.hasVoucher);
}

// After a failed change. When the disk holds none of it, the held changes are
// given up and the table reads as before. When it may hold part of it (its
// change-log record may be whole), the table is opened again at once, which
// finishes or drops the change as the next start would, and the rows are read
// again, so that neither the lists nor the answer to the user disagree with the
// disk.
// The rows read again; null when they were not (nothing else changed).
std::shared_ptr<LedgerRows> settleFailedChange(AppState& state, EntryListView* view) {
    if (!state.tables.currentUncertain()) {
        state.tables.discard();
        return nullptr;
    }
    // A failed table keeps its change log: the open below finishes or drops
    // the change.
    static_cast<void>(state.tables.close());
    state.currentLedger.rows.reset();
    auto rows = currentLedgerRows(state);
    if (rows && view) {
        fillEntryAndQueryLists(state, *view);
    } else {
        state.currentLedger.listsBehind = true;
    }
    return rows;
}

// The values as the table keeps them: texts cut to their fields' widths.
EntryValues asStored(const EntryValues& values, store::TableStore& tables, UserInteraction& user) {
    EntryValues stored = values;
    stored.item = store::toText(tables::readField(tables, user, tables::field::kItem));
    stored.member = store::toText(tables::readField(tables, user, tables::field::kMember));
    stored.note = store::toText(tables::readField(tables, user, tables::field::kNote));
    return stored;
}

}  // namespace

bool addEntry(AppState& state, const EntryValues& values, const std::string& vouchers,
              EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows) return false;
    auto& tables = state.tables;
    const bool written = tables.append() && writeValues(tables, values) &&
                         tables.write(tables::field::kVouchers, store::Bytes{vouchers});
    const EntryValues stored = written ? asStored(values, tables, state.user) : values;
    if (!written || !tables.commit()) {
        const std::size_t before = rows->size();
        const auto settled = settleFailedChange(state, view);
        return settled && settled->size() == before + 1;
    }
    rows->append(stored);
    if (view) view->entryAdded(rows->size() - 1, entryLabels(state));
    return true;
}

bool addEntries(AppState& state, const std::vector<EntryValues>& entries, EntryListView* view,
                std::vector<EntryValues>* stored) {
    LedgerRows* rows = openTable(state, view);
    if (!rows) return false;
    auto& tables = state.tables;
    const int fields[] = {tables.fieldNumber(tables::field::kDate),
                          tables.fieldNumber(tables::field::kDirection),
                          tables.fieldNumber(tables::field::kItem),
                          tables.fieldNumber(tables::field::kAmount),
                          tables.fieldNumber(tables::field::kMember),
                          tables.fieldNumber(tables::field::kNote),
                          tables.fieldNumber(tables::field::kHasVoucher)};
    std::vector<EntryValues> kept;
    kept.reserve(entries.size());
    bool written = true;
    for (const EntryValues& values : entries) {
        written = tables.append() && tables.write(fields[0], store::DateTime{values.date}) &&
                  tables.write(fields[1], storedDirection(values.direction)) &&
                  tables.write(fields[2], values.item) && tables.write(fields[3], values.amount) &&
                  tables.write(fields[4], values.member) && tables.write(fields[5], values.note) &&
                  tables.write(fields[6], false);
        if (!written) break;
        kept.push_back(storedForm(values));
        kept.back().hasVoucher = false;
    }
    const std::size_t before = rows->size();
    // One commit: the appends are one change, whole or absent.
    if (!written || !tables.commit()) {
        const auto settled = settleFailedChange(state, view);
        const bool whole = settled && settled->size() == before + entries.size();
        if (whole && stored) *stored = std::move(kept);
        return whole;
    }
    rows->reserve(before + kept.size());
    for (const EntryValues& values : kept) rows->append(values);
    if (view) fillEntryAndQueryLists(state, *view);
    if (stored) *stored = std::move(kept);
    return true;
}

EntryValues storedForm(const EntryValues& values) {
    // A text field ends at its width or at its first zero byte.
    auto kept = [](std::string_view text, std::size_t width) {
        const std::string_view cut = cutGbk(text, width);
        return std::string(cut.substr(0, cut.find('\0')));
    };
    EntryValues stored = values;
    stored.date = clampDate(values.date);
    stored.item = kept(values.item, tables::width::kItem);
    stored.member = kept(values.member, tables::width::kMember);
    stored.note = kept(values.note, tables::width::kNote);
    return stored;
}

bool changeEntry(AppState& state, std::size_t row, const EntryValues& values,
                 const std::optional<std::string>& vouchers, EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows || row >= rows->size()) return false;
    auto& tables = state.tables;
    const bool written =
        tables.goTo(static_cast<std::int32_t>(row + 1)) && writeValues(tables, values) &&
        (!vouchers || tables.write(tables::field::kVouchers, store::Bytes{*vouchers}));
    const EntryValues stored = written ? asStored(values, tables, state.user) : values;
    if (!written || !tables.commit()) {
        const auto settled = settleFailedChange(state, view);
        return settled && row < settled->size() && settled->values(row) == stored;
    }
    rows->replace(row, stored);
    if (view) view->entryChanged(row, entryLabels(state));
    return true;
}

bool deleteEntry(AppState& state, std::size_t row, EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows || row >= rows->size()) return false;
    auto& tables = state.tables;
    // The purge makes the mark and the move one change.
    const bool done =
        tables.goTo(static_cast<std::int32_t>(row + 1)) && tables.remove() && tables.purge();
    if (!done) {
        const std::size_t before = rows->size();
        const auto settled = settleFailedChange(state, view);
        return settled && settled->size() + 1 == before;
    }
    rows->erase(row);
    if (view) view->entryRemoved(row, entryLabels(state));
    return true;
}

bool clearEntries(AppState& state, EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows) return false;
    if (!state.tables.zap()) {
        const auto settled = settleFailedChange(state, view);
        return settled && settled->empty();
    }
    rows->clear();
    if (view) fillEntryAndQueryLists(state, *view);
    return true;
}

std::string readVouchers(AppState& state, std::size_t row) {
    return readStoredVouchers(state, row).value_or(std::string());
}

std::optional<std::string> readStoredVouchers(AppState& state, std::size_t row) {
    LedgerRows* rows = openTable(state, nullptr);
    if (!rows || row >= rows->size() || !state.tables.goTo(static_cast<std::int32_t>(row + 1)))
        return std::nullopt;
    store::Value value = tables::readField(state.tables, state.user, tables::field::kVouchers);
    if (state.tables.lastReadDamaged()) return std::nullopt;
    if (auto* bytes = std::get_if<store::Bytes>(&value)) return std::move(bytes->bytes);
    return store::toBytes(value);
}

}  // namespace qinghe::entry
