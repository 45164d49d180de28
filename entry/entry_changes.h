#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "entry/ledger_rows.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

class EntryListView;

// The one place through which the open ledger's entries change. Each change
// is made in its table first, whole and flushed; only then are the rows in
// memory changed the same way and the lists told which row changed, so the
// rows never disagree with the table. On a failure false is returned (the
// caller tells the user) and nothing changes in memory; but when the disk may
// hold part of the change, the table is opened again at once (which finishes
// or drops it) and the rows and lists are made again from it: true then when
// the change turned out to be whole. `view` may be null.
//
// `row` is a row of the open ledger's rows (its record number less one).
// Vouchers are the stored bytes of the field "票据" (joined images).

[[nodiscard]] bool addEntry(AppState& state, const EntryValues& values, const std::string& vouchers,
                            EntryListView* view);
// Appends every entry in one change of the table (no vouchers): all of them
// are there afterwards or none, whatever happens meanwhile; the lists are
// made again once. `stored` (optional) receives the values as the table keeps
// them (texts cut to their fields' widths).
[[nodiscard]] bool addEntries(AppState& state, const std::vector<EntryValues>& entries,
                              EntryListView* view, std::vector<EntryValues>* stored = nullptr);
// The values as the table would keep them: texts cut to their fields' widths
// on a character boundary.
EntryValues storedForm(const EntryValues& values);
// Vouchers: nothing keeps the stored ones.
[[nodiscard]] bool changeEntry(AppState& state, std::size_t row, const EntryValues& values,
                               const std::optional<std::string>& vouchers, EntryListView* view);
// Removes the record and purges the table: later records move up one.
[[nodiscard]] bool deleteEntry(AppState& state, std::size_t row, EntryListView* view);
// Every entry goes.
[[nodiscard]] bool clearEntries(AppState& state, EntryListView* view);

// The stored voucher bytes of a row (empty when it has none or they cannot be read).
std::string readVouchers(AppState& state, std::size_t row);
// The same, but nothing when they cannot be read (no such row, a damaged
// value): a window must then not store its empty list over them.
std::optional<std::string> readStoredVouchers(AppState& state, std::size_t row);

}  // namespace qinghe::entry
