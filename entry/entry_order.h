#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "entry/ledger_rows.h"

namespace qinghe::entry {

// What the entry and query lists can be sorted by: a click on the column's
// header.
enum class SortKey { Date, Amount, Item, Member };
enum class SortDirection { Ascending, Descending };

struct EntryOrder {
    SortKey key = SortKey::Date;
    SortDirection direction = SortDirection::Ascending;
    friend bool operator==(const EntryOrder&, const EntryOrder&) = default;
};

// The key of a list column (EntryColumn); none for the columns that do not sort.
std::optional<SortKey> sortKeyOfColumn(int column);
int columnOfSortKey(SortKey key);

// The rows `listed` (ledger rows in table order) in the order asked for.
// Entries with equal keys keep their table order both ways. Items and members
// sort by their GBK bytes: the common characters of GB 2312 are laid out by
// their pinyin, so Chinese names come in dictionary order. A date or amount
// that is not a number sorts after every number.
std::vector<std::uint32_t> sortedRows(const LedgerRows& rows, std::span<const std::uint32_t> listed,
                                      EntryOrder order);
// The same over every row of the ledger.
std::vector<std::uint32_t> sortedRows(const LedgerRows& rows, EntryOrder order);

// "date", "amount", "item", "member": the names the command line takes.
std::optional<SortKey> sortKeyNamed(std::string_view name);

}  // namespace qinghe::entry
