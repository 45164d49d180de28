#include "entry/entry_changes.h"

#include <utility>
#include <variant>

#include "entry/entry_list.h"
#include "session/app_state.h"
#include "store/schemas.h"

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
    if (!state.tables.openForWriting(*table, "", store::kStorePassword)) return nullptr;
    return rows.get();
}

bool writeValues(store::TableStore& tables, const EntryValues& values) {
    return tables.write(store::field::kDate, store::DateTime{values.date}) &&
           tables.write(store::field::kDirection, storedDirection(values.direction)) &&
           tables.write(store::field::kItem, values.item) &&
           tables.write(store::field::kAmount, values.amount) &&
           tables.write(store::field::kMember, values.member) &&
           tables.write(store::field::kNote, values.note) &&
           tables.write(store::field::kHasVoucher, values.hasVoucher);
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
        state.tables.discardChanges();
        return nullptr;
    }
    state.tables.close();
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
EntryValues asStored(const EntryValues& values, store::TableStore& tables) {
    EntryValues stored = values;
    stored.item = store::toText(tables.read(store::field::kItem));
    stored.member = store::toText(tables.read(store::field::kMember));
    stored.note = store::toText(tables.read(store::field::kNote));
    return stored;
}

}  // namespace

bool addEntry(AppState& state, const EntryValues& values, const std::string& vouchers,
              EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows) return false;
    auto& tables = state.tables;
    const bool written = tables.append() && writeValues(tables, values) &&
                         tables.write(store::field::kVouchers, store::Bytes{vouchers});
    const EntryValues stored = written ? asStored(values, tables) : values;
    if (!written || !tables.sync()) {
        const std::size_t before = rows->size();
        const auto settled = settleFailedChange(state, view);
        return settled && settled->size() == before + 1;
    }
    rows->append(stored);
    if (view) view->entryAdded(rows->size() - 1, entryLabels(state));
    return true;
}

bool changeEntry(AppState& state, std::size_t row, const EntryValues& values,
                 const std::optional<std::string>& vouchers, EntryListView* view) {
    LedgerRows* rows = openTable(state, view);
    if (!rows || row >= rows->size()) return false;
    auto& tables = state.tables;
    const bool written =
        tables.goTo(static_cast<std::int32_t>(row + 1)) && writeValues(tables, values) &&
        (!vouchers || tables.write(store::field::kVouchers, store::Bytes{*vouchers}));
    const EntryValues stored = written ? asStored(values, tables) : values;
    if (!written || !tables.sync()) {
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
    store::Value value = state.tables.read(store::field::kVouchers);
    if (state.tables.lastReadDamaged()) return std::nullopt;
    if (auto* bytes = std::get_if<store::Bytes>(&value)) return std::move(bytes->bytes);
    return store::toBytes(value);
}

}  // namespace qinghe::entry
