#include "entry/entry_form.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/number_text.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"
#include "config/name_lists.h"
#include "entry/entry_action_texts.h"
#include "session/app_state.h"

namespace qinghe::entry {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Whether the text is a sign, digits and at most one point, with a digit.
bool isPlainDecimal(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    bool digit = false;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (isDigit(text[at])) {
            digit = true;
        } else if (text[at] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// A day count's day and its time of day: stored dates before 1899-12-30 count
// their time forward from midnight too, so the day is the value cut towards
// zero and the time its distance from it.
struct DayAndTime {
    double day;
    double time;
};

DayAndTime split(double dateTime) {
    const double day = std::trunc(dateTime);
    return {day, std::fabs(dateTime - day)};
}

double join(double day, double time) {
    return day < 0 ? day - time : day + time;
}

}  // namespace

std::optional<double> amountFromText(std::string_view gbk) {
    std::string text = mapFullWidth(gbk);
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    text = text.substr(begin, end - begin);
    if (!isPlainDecimal(text)) return std::nullopt;
    const double amount = textToNumber(text);
    if (!std::isfinite(amount) || std::fabs(amount) > kLargestAmount) return std::nullopt;
    // "-0" is no amount of its own.
    return amount == 0 ? 0.0 : amount;
}

double dayOf(double dateTime) {
    return split(clampDate(dateTime)).day;
}

double onDay(double dateTime, double day) {
    const double target = dayOf(day);
    return clampDate(join(target, split(clampDate(dateTime)).time));
}

double moveByDays(double dateTime, int days) {
    const DayAndTime parts = split(clampDate(dateTime));
    const double day = std::clamp(parts.day + days, kEarliestDate, kLatestDate);
    return clampDate(join(day, parts.time));
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::optional<EntryValues> entryOfFields(const EntryFields& fields, UserInteraction& user,
                                         const std::string& amountMissing,
                                         std::optional<double> shownAmount) {
    if (fields.amount.empty()) {
        showError(user, amountMissing);
        return std::nullopt;
    }
    const std::optional<double> amount = shownAmount ? shownAmount : amountFromText(fields.amount);
    if (!amount) {
        showError(user, kAmountInvalid);
        return std::nullopt;
    }
    if (hasLineBreak(fields.item.text) || hasLineBreak(fields.member.text)) {
        showError(user, kLineBreakInName);
        return std::nullopt;
    }
    EntryValues values;
    values.date = fields.date;
    values.direction = fields.direction;
    values.item = fields.item.text;
    values.amount = *amount;
    values.member = fields.member.text;
    values.note = fields.note;
    return values;
}

void keepEntryNames(AppState& state, const EntryFields& fields) {
    Settings& settings = state.settings;
    auto& items =
        fields.direction == Direction::Income ? settings.incomeItems : settings.expenseItems;
    putNameInFront(items, fields.item.text);
    saveItemListsOrTell(state.run, settings, state.user);
    auto& members = settings.members;
    if (std::find(members.begin(), members.end(), fields.member.text) == members.end()) {
        putNameInFront(members, fields.member.text);
        saveMemberListOrTell(state.run, settings, state.user);
    }
}

NameBox emptyNameBox(std::vector<std::string> choices) {
    return {std::move(choices), -1, {}};
}

NameBox nameBoxShowing(std::vector<std::string> choices, const std::string& name) {
    NameBox box{std::move(choices), -1, name};
    if (name.empty()) return box;
    for (std::size_t i = box.choices.size(); i > 0; --i) {
        if (box.choices[i - 1] == name) {
            box.selected = static_cast<int>(i - 1);
            break;
        }
    }
    return box;
}

}  // namespace qinghe::entry
