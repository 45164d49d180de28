#include "entry/add_entry.h"

#include <algorithm>

#include "common/standard_messages.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_changes.h"
#include "session/app_state.h"

namespace qinghe::entry {

namespace {

const std::vector<std::string>& itemsOf(const Settings& settings, Direction direction) {
    return direction == Direction::Income ? settings.incomeItems : settings.expenseItems;
}

// Back to the state the window opens in, but for the direction chosen.
void reset(const AppState& state, AddEntryForm& form, VoucherStripModel& vouchers) {
    const Direction direction = form.direction;
    form = newAddEntryForm(state);
    chooseDirection(state.settings, form, direction);
    vouchers.reset({});
}

}  // namespace

AddEntryForm newAddEntryForm(const AppState& state) {
    AddEntryForm form;
    form.date = state.clock.now();
    form.direction = Direction::Expense;
    form.item = emptyNameBox(state.settings.expenseItems);
    form.member = emptyNameBox(state.settings.members);
    return form;
}

void chooseDirection(const Settings& settings, AddEntryForm& form, Direction direction) {
    form.direction = direction;
    form.item = emptyNameBox(itemsOf(settings, direction));
}

AddEntryResult addEntryFromForm(AppState& state, AddEntryForm& form, VoucherStripModel& vouchers,
                                EntryScreens& screens) {
    if (form.amount.empty()) {
        showError(state.user, kAddAmountMissing);
        return AddEntryResult::Refused;
    }
    const std::optional<double> amount = amountFromText(form.amount);
    if (!amount) {
        showError(state.user, kAmountInvalid);
        return AddEntryResult::Refused;
    }
    if (hasLineBreak(form.item.text) || hasLineBreak(form.member.text)) {
        showError(state.user, kLineBreakInName);
        return AddEntryResult::Refused;
    }
    // The ledger open at this moment, which may not be the one open when the
    // window opened, or none any more.
    if (!state.currentLedger.isOpen()) {
        showError(state.user, kNoLedgerOpen);
        return AddEntryResult::Refused;
    }

    EntryValues values;
    values.date = form.date;
    values.direction = form.direction;
    values.item = form.item.text;
    values.amount = *amount;
    values.member = form.member.text;
    values.note = form.note;
    values.hasVoucher = vouchers.hasVouchers();
    if (!addEntry(state, values, vouchers.joined(), &screens.lists())) {
        showError(state.user, kAddFailed);
        return AddEntryResult::Failed;
    }

    Settings& settings = state.settings;
    auto& items =
        form.direction == Direction::Income ? settings.incomeItems : settings.expenseItems;
    putNameInFront(items, form.item.text);
    saveItemListsOrTell(state.run, settings, state.user);
    // An unknown member (the empty text too) saves the list, a known one not.
    auto& members = settings.members;
    if (std::find(members.begin(), members.end(), form.member.text) == members.end()) {
        putNameInFront(members, form.member.text);
        saveMemberListOrTell(state.run, settings, state.user);
    }
    reset(state, form, vouchers);
    refreshFilterChoices(settings, screens);
    return AddEntryResult::Added;
}

void leaveAddEntryWindow(AppState& state, EntryScreens& screens) {
    refreshFilterChoices(state.settings, screens);
}

}  // namespace qinghe::entry
