#include "entry/entry_list.h"

#include "common/money_text.h"
#include "common/ole_date.h"
#include "entry/entry_texts.h"
#include "session/app_state.h"
#include "store/schemas.h"

namespace qinghe::entry {

EntryLabels entryLabels(const AppState& state, const EntryTotals& totals) {
    const double initial = state.settings.initialAmount;
    EntryLabels labels;
    labels.ledger = kLedgerCaption + state.currentLedger.name;
    labels.startDate = kStartDateCaption + dateToText(state.settings.startDate);
    labels.initialAmount = kInitialAmountCaption + moneyText(initial);
    labels.income = kIncomeCaption + moneyText(totals.income);
    labels.expense = kExpenseCaption + moneyText(totals.expense);
    labels.balance = kBalanceCaption + moneyText(initial + totals.income - totals.expense);
    return labels;
}

void fillEntryList(AppState& state, const std::filesystem::path& table, EntryListView& view) {
    EntryTotals totals;
    auto rows = readEntryRows(state, table, &totals);
    view.showEntryList(std::move(rows), entryLabels(state, totals));
}

void fillQueryList(AppState& state, const std::filesystem::path& table, EntryListView& view) {
    view.showQueryList(readEntryRows(state, table));
}

void fillEntryAndQueryLists(AppState& state, const std::filesystem::path& table,
                            EntryListView& view) {
    EntryTotals totals;
    auto rows = readEntryRows(state, table, &totals);
    view.showEntryList(rows, entryLabels(state, totals));
    view.showQueryList(std::move(rows));
}

std::optional<std::filesystem::path> currentLedgerTable(const AppState& state) {
    if (!state.currentLedger.isOpen()) return std::nullopt;
    return store::storedPathToFile(state.run, state.currentLedger.saveTo, store::kDataFolder);
}

}  // namespace qinghe::entry
