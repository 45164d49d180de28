#include "entry/add_entry.h"

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
    std::optional<EntryValues> values = entryOfFields(form, state.user, kAddAmountMissing);
    if (!values) return AddEntryResult::Refused;
    // The ledger open at this moment, which may not be the one open when the
    // window opened, or none any more.
    if (!state.currentLedger.isOpen()) {
        showError(state.user, kNoLedgerOpen);
        return AddEntryResult::Refused;
    }

    values->hasVoucher = vouchers.hasVouchers();
    if (!addEntry(state, *values, vouchers.joined(), &screens.lists())) {
        showError(state.user, kAddFailed);
        return AddEntryResult::Failed;
    }
    keepEntryNames(state, form);
    reset(state, form, vouchers);
    refreshFilterChoices(state.settings, screens);
    return AddEntryResult::Added;
}

void leaveAddEntryWindow(AppState& state, EntryScreens& screens) {
    refreshFilterChoices(state.settings, screens);
}

}  // namespace qinghe::entry
