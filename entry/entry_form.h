#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entry/entry_values.h"

namespace qinghe {
struct AppState;
class UserInteraction;
}  // namespace qinghe

namespace qinghe::entry {

// What the add window and the modify page share: their amount box, their date
// picker with its day spin, their item and member drop-downs, and what they
// make of them.

// Amounts beyond this size are refused as typing mistakes: no household
// counts in trillions, and it keeps every total exact.
inline constexpr double kLargestAmount = 1e12;

// The amount an amount box's text stands for, exactly as typed (never rounded):
// after full-width characters become ASCII and white space around it is set
// aside, an optional sign and digits with at most one decimal point (at least
// one digit). Nothing when the text is anything else, or the amount's size is
// beyond kLargestAmount.
std::optional<double> amountFromText(std::string_view gbk);

// The day a date-time falls on (its midnight), as a date picker shows it.
double dayOf(double dateTime);
// The date-time on `day` (a day count) at the time of day of `dateTime`: what a
// date picker holds after a new day was picked in it. Held within the dates
// the program handles.
double onDay(double dateTime, double day);
// The day spin: `days` days later (earlier when negative), the time kept.
double moveByDays(double dateTime, int days);

// True when a text holds a line break (CR or LF): a name the lists' files
// cannot keep.
bool hasLineBreak(std::string_view text);

// An editable drop-down of names (the item or the member): its choices, the
// position selected (-1: none) and the text it shows, which is what is stored.
struct NameBox {
    std::vector<std::string> choices;
    int selected = -1;
    std::string text;
    friend bool operator==(const NameBox&, const NameBox&) = default;
};

// The controls both windows have, as the core sees them: texts as GBK.
struct EntryFields {
    double date = 0;  // the date picker's date-time
    Direction direction = Direction::Expense;
    NameBox item;
    NameBox member;
    std::string amount;
    std::string note;
    friend bool operator==(const EntryFields&, const EntryFields&) = default;
};

// The entry the controls stand for (no vouchers), checked as both windows
// check it before storing: the amount must be there (`amountMissing` is said
// when not) and be a number that is not absurd, and the names must hold no
// line break. `shownAmount` stands for the box when given: an amount left as
// the window showed it. Nothing when refused; the user has been told why.
std::optional<EntryValues> entryOfFields(const EntryFields& fields, UserInteraction& user,
                                         const std::string& amountMissing,
                                         std::optional<double> shownAmount = std::nullopt);

// After an entry of `fields` was stored: its item goes in front of the items
// of its direction (the item lists are saved either way), and a member not in
// the list (the empty text too) in front of the members, which are then
// saved. A failed save is told.
void keepEntryNames(AppState& state, const EntryFields& fields);

// A box filled with `choices` and nothing chosen: empty text.
NameBox emptyNameBox(std::vector<std::string> choices);
// A box filled with `choices` showing `name`: the last position holding it is
// selected; a name not among them shows as typed text with no selection; an
// empty one selects nothing.
NameBox nameBoxShowing(std::vector<std::string> choices, const std::string& name);

}  // namespace qinghe::entry
