#include "entry/entry_list.h"

#include "common/money_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "session/app_state.h"
#include "tables/schemas.h"

namespace qinghe::entry {

namespace {

// Rows shown when none can be read: an empty list, never another table's.
std::shared_ptr<const LedgerRows> shownRows(AppState& state) {
    if (auto rows = currentLedgerRows(state)) return rows;
    return std::make_shared<const LedgerRows>();
}

}  // namespace

EntryLabels entryLabels(const AppState& state) {
    const double initial = state.settings.initialAmount;
    const LedgerRows* rows = state.currentLedger.rows.get();
    const double income = rows ? rows->incomeTotal() : 0.0;
    const double expense = rows ? rows->expenseTotal() : 0.0;
    EntryLabels labels;
    labels.ledger = kLedgerCaption + state.currentLedger.name;
    labels.startDate = kStartDateCaption + dateToText(state.settings.startDate);
    labels.initialAmount = kInitialAmountCaption + moneyText(initial);
    labels.income = kIncomeCaption + moneyText(income);
    labels.expense = kExpenseCaption + moneyText(expense);
    labels.balance = kBalanceCaption + moneyText(exactTotal({initial, income, -expense}));
    return labels;
}

std::optional<std::filesystem::path> currentLedgerTable(const AppState& state) {
    if (!state.currentLedger.isOpen()) return std::nullopt;
    return tables::storedPathToFile(state.run, state.currentLedger.saveTo, tables::kDataFolder);
}

std::shared_ptr<LedgerRows> currentLedgerRows(AppState& state) {
    if (state.currentLedger.rows) return state.currentLedger.rows;
    auto table = currentLedgerTable(state);
    if (!table) return nullptr;
    state.currentLedger.rows = loadLedgerRows(state, *table);
    return state.currentLedger.rows;
}

void fillEntryList(AppState& state, EntryListView& view) {
    auto rows = shownRows(state);
    view.showEntryList(std::move(rows), entryLabels(state));
}

void fillQueryList(AppState& state, EntryListView& view) {
    view.showQueryList(shownRows(state));
}

void fillEntryAndQueryLists(AppState& state, EntryListView& view) {
    auto rows = shownRows(state);
    view.showEntryList(rows, entryLabels(state));
    view.showQueryList(std::move(rows));
}

}  // namespace qinghe::entry
