#pragma once

#include <string>

#include "entry/entry_form.h"
#include "entry/entry_screens.h"
#include "entry/entry_values.h"
#include "entry/voucher_strip.h"

namespace qinghe {
struct AppState;
struct Settings;
}  // namespace qinghe

namespace qinghe::entry {

// The controls of the window "添加一个项目" as the core sees them: the window
// shows this, reads its controls back into it (texts as GBK) before each
// action, and shows it again after. Its voucher strip keeps its own list.
// The item choices are those of the direction shown.
struct AddEntryForm : EntryFields {
    friend bool operator==(const AddEntryForm&, const AddEntryForm&) = default;
};

// The window as it opens: today, now; "支出" with the expense items; the
// members; nothing typed. Reads only the settings and the clock: never the
// ledger.
AddEntryForm newAddEntryForm(const AppState& state);

// The direction list's choice changed: the item choices become the items of
// that direction, and what was typed into the item box goes.
void chooseDirection(const Settings& settings, AddEntryForm& form, Direction direction);

enum class AddEntryResult {
    Added,    // stored, the lists show it, the window is reset
    Refused,  // an input was missing or wrong (said so); nothing changed
    Failed,   // the ledger could not be written (said so); nothing changed
};

// "添加": checks the amount (it must be there, a number, not absurd) and the
// names (no line breaks), appends the entry to the ledger open now (vouchers
// joined from the strip), the lists showing it at once; then a new item or
// member name goes in front of its list, the item lists are saved (whether
// changed or not) and the members when they changed; the form and the strip
// are reset for the next entry (the direction kept) and the filter choices
// refilled. A refused or failed addition keeps every input.
AddEntryResult addEntryFromForm(AppState& state, AddEntryForm& form, VoucherStripModel& vouchers,
                                EntryScreens& screens);

// "取消" and "退出": the filter choices are refilled before the window closes
// (its close control closes it without this).
void leaveAddEntryWindow(AppState& state, EntryScreens& screens);

}  // namespace qinghe::entry
