#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "entry/entry_rows.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

// The six labels under the entry list, each a whole caption (GBK).
struct EntryLabels {
    std::string ledger;         // "当前账簿：  " + name
    std::string startDate;      // "起算日期：" + yyyy-mm-dd
    std::string initialAmount;  // "初始金额：" + amount
    std::string income;         // "累计收入：" + total
    std::string expense;        // "累计支出：" + total
    std::string balance;        // "当前余额：" + initial + income - expense
    friend bool operator==(const EntryLabels&, const EntryLabels&) = default;
};

// The labels for the current ledger, the settings' start date and initial
// amount, and the totals of its entries in memory (zero without any).
EntryLabels entryLabels(const AppState& state);

// Where the entry lists are shown: the main window's 记账 and 查账 pages, or
// a test's record of them. Both lists show the open ledger's rows in memory;
// after one entry changed only that row is told, with the new labels.
class EntryListView {
  public:
    virtual ~EntryListView() = default;
    virtual void showEntryList(std::shared_ptr<const LedgerRows> rows,
                               const EntryLabels& labels) = 0;
    virtual void showQueryList(std::shared_ptr<const LedgerRows> rows) = 0;
    // Row `row` of the rows shown was added, changed or removed.
    virtual void entryAdded(std::size_t row, const EntryLabels& labels) = 0;
    virtual void entryChanged(std::size_t row, const EntryLabels& labels) = 0;
    virtual void entryRemoved(std::size_t row, const EntryLabels& labels) = 0;
};

// The entry table of the current ledger; nothing when no ledger is open or its
// stored path leads outside the data folder.
std::optional<std::filesystem::path> currentLedgerTable(const AppState& state);

// The open ledger's rows: read from its table by one walk when they are not
// in memory yet. Null when no ledger is open or its table cannot be read.
std::shared_ptr<LedgerRows> currentLedgerRows(AppState& state);

// Refills the 记账 list and its labels from the open ledger's rows.
void fillEntryList(AppState& state, EntryListView& view);
// Refills the 查账 result list with every entry of the open ledger.
void fillQueryList(AppState& state, EntryListView& view);
// Both, from the same rows.
void fillEntryAndQueryLists(AppState& state, EntryListView& view);

}  // namespace qinghe::entry
