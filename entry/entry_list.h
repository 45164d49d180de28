#pragma once

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
};

// The labels for the current ledger, the settings' start date and initial
// amount, and the totals of its entries.
EntryLabels entryLabels(const AppState& state, const EntryTotals& totals);

// Where the entry lists are shown: the main window's 记账 and 查账 pages, or
// a test's record of them. Rows are shared between the two lists.
class EntryListView {
  public:
    virtual ~EntryListView() = default;
    virtual void showEntryList(std::shared_ptr<const EntryRows> rows,
                               const EntryLabels& labels) = 0;
    virtual void showQueryList(std::shared_ptr<const EntryRows> rows) = 0;
};

// Refills the 记账 list and its labels from the entry table at `table`.
void fillEntryList(AppState& state, const std::filesystem::path& table, EntryListView& view);
// Refills the 查账 result list with every entry of the table at `table`.
void fillQueryList(AppState& state, const std::filesystem::path& table, EntryListView& view);
// Both, after a change of the ledger's entries: one walk, the same rows.
void fillEntryAndQueryLists(AppState& state, const std::filesystem::path& table,
                            EntryListView& view);

// The entry table of the current ledger; nothing when no ledger is open or its
// stored path leads outside the data folder.
std::optional<std::filesystem::path> currentLedgerTable(const AppState& state);

}  // namespace qinghe::entry
