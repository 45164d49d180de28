#include "entry/entry_window.h"

#include <utility>

#include "common/money_text.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "entry/entry_texts.h"
#include "session/app_state.h"

namespace qinghe::entry {

namespace {

EntryViewTexts viewTextsOf(const EntryValues& entry) {
    EntryViewTexts texts;
    texts.date = kTimeCaption + dateToText(entry.date);
    texts.direction = std::string(kDirectionCaption) +
                      (entry.direction == Direction::Income ? kIncomeText : kExpenseText);
    texts.item = kItemCaption + entry.item;
    texts.member = kMemberCaption + entry.member;
    texts.amount = kAmountCaption + moneyText(entry.amount);
    texts.note = entry.note;
    return texts;
}

EntryForm formOf(const EntryValues& entry, const Settings& settings) {
    EntryForm form;
    form.date = entry.date;
    form.direction = entry.direction;
    form.item = nameBoxShowing(
        entry.direction == Direction::Income ? settings.incomeItems : settings.expenseItems,
        entry.item);
    form.member = nameBoxShowing(settings.members, entry.member);
    form.amount = moneyText(entry.amount);
    form.note = entry.note;
    return form;
}

}  // namespace

EntryWindowModel::EntryWindowModel(AppState& state, std::size_t row, const EntryValues& entry,
                                   std::optional<std::string> storedVouchers, EntryPage startPage,
                                   EntryScreens& screens)
    : state_(state),
      row_(row),
      entry_(entry),
      vouchersRead_(storedVouchers.has_value()),
      startPage_(startPage),
      screens_(screens),
      guidance_(state.settings.visualGuidance),
      viewTexts_(viewTextsOf(entry)),
      form_(formOf(entry, state.settings)),
      shownAmount_(form_.amount),
      vouchers_(splitVouchers(storedVouchers.value_or(std::string()))),
      vouchersAsRead_(vouchers_.revision()) {}

UserInteraction& EntryWindowModel::user() {
    return state_.user;
}

bool EntryWindowModel::save() {
    // Untouched, the box's cents stand for the amount as stored.
    const bool untouched = !form_.amountTyped && form_.amount == shownAmount_;
    std::optional<EntryValues> values =
        entryOfFields(form_, state_.user, kModifyAmountMissing,
                      untouched ? std::optional<double>(entry_.amount) : std::nullopt);
    if (!values) return false;
    EntryValues& edited = *values;
    std::optional<std::string> vouchers;
    if (vouchers_.revision() != vouchersAsRead_) {
        vouchers = vouchers_.joined();
        edited.hasVoucher = vouchers_.hasVouchers();
    } else {
        // Not rewritten: megabytes of pictures stay where they are, and
        // pictures that could not be read are not replaced by none.
        edited.hasVoucher = vouchersRead_ ? vouchers_.hasVouchers() : entry_.hasVoucher;
    }
    if (!changeEntry(state_, row_, edited, vouchers, &screens_.lists())) {
        showError(state_.user, kSaveFailed);
        return false;
    }
    outcome_ = Outcome::Saved;
    keepEntryNames(state_, form_);
    return true;
}

std::optional<EntryWindowModel::Outcome> openEntryWindow(AppState& state,
                                                         std::optional<std::size_t> row,
                                                         EntryOpener opener,
                                                         EntryScreens& screens) {
    if (!row) return std::nullopt;
    const auto rows = currentLedgerRows(state);
    if (!rows || *row >= rows->size()) return std::nullopt;
    EntryWindowModel window(state, *row, rows->values(*row), readStoredVouchers(state, *row),
                            opener == EntryOpener::Modify ? EntryPage::Modify : EntryPage::View,
                            screens);
    state.user.runWindow(WindowKind::Entry, window);

    const auto outcome = window.outcome();
    if (outcome == EntryWindowModel::Outcome::Saved) {
        // The lists were told of the one row already: it keeps its place.
        if (opener == EntryOpener::QueryList) {
            screens.refreshQueryList(state);
            screens.selectQueryRow(*row);
        } else {
            screens.selectEntryRow(*row);
        }
    }
    if (outcome != EntryWindowModel::Outcome::Cancelled)
        refreshFilterChoices(state.settings, screens);
    return outcome;
}

}  // namespace qinghe::entry
