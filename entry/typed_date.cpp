#include "entry/typed_date.h"

#include <array>
#include <cstddef>

namespace qinghe::entry {

namespace {

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;
constexpr std::array<std::size_t, 3> kMostDigits = {4, 2, 2};

bool isSeparator(char c) {
    return c == '-' || c == '/' || c == '.';
}

// The text cut into its fields (year, month, day) at the separators.
struct Fields {
    std::array<std::string_view, 3> field;
    int count = 0;  // fields begun (a separator begins the next one)
};

std::optional<Fields> split(std::string_view text) {
    Fields fields;
    if (text.empty()) return fields;
    std::size_t start = 0;
    fields.count = 1;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(text[i])) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            if (i - start >= kMostDigits[static_cast<std::size_t>(fields.count - 1)])
                return std::nullopt;
            continue;
        }
        fields.field[static_cast<std::size_t>(fields.count - 1)] = text.substr(start, i - start);
        if (i == text.size()) break;
        if (fields.count == 3) return std::nullopt;
        ++fields.count;
        start = i + 1;
    }
    return fields;
}

int valueOf(std::string_view digits) {
    int value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

bool validYear(std::string_view digits) {
    const int year = valueOf(digits);
    return !digits.empty() && year >= kFirstYear && year <= kLastYear;
}

bool validMonth(std::string_view digits) {
    const int month = valueOf(digits);
    return !digits.empty() && month >= 1 && month <= 12;
}

int lastDay(int year, int month) {
    for (int day = 31; day > 28; --day) {
        if (dateFromCivil(year, month, day)) return day;
    }
    return 28;
}

// Whether more digits can still make the year one a box shows.
bool yearCanGrow(std::string_view digits) {
    int most = valueOf(digits);
    for (std::size_t i = digits.size(); i < kMostDigits[0]; ++i) most = most * 10 + 9;
    return most >= kFirstYear;
}

}  // namespace

TypedDateState typedDateState(std::string_view text) {
    const auto fields = split(text);
    if (!fields) return TypedDateState::Impossible;
    const std::string_view year = fields->field[0];
    const std::string_view month = fields->field[1];
    const std::string_view day = fields->field[2];
    switch (fields->count) {
        case 0:
            return TypedDateState::Partial;
        case 1:
            return yearCanGrow(year) ? TypedDateState::Partial : TypedDateState::Impossible;
        case 2:
            if (!validYear(year)) return TypedDateState::Impossible;
            // "0" and "1" still become months; any other lone digit is one.
            if (month.size() == 2 && !validMonth(month)) return TypedDateState::Impossible;
            return TypedDateState::Partial;
        default:
            if (!validYear(year) || !validMonth(month)) return TypedDateState::Impossible;
            if (day.empty() || day == "0") return TypedDateState::Partial;
            if (valueOf(day) < 1 || valueOf(day) > lastDay(valueOf(year), valueOf(month)))
                return TypedDateState::Impossible;
            return TypedDateState::Complete;
    }
}

std::optional<CivilDate> committedTypedDate(std::string_view text, const CivilDate& before) {
    if (typedDateState(text) == TypedDateState::Impossible) return std::nullopt;
    const auto fields = split(text);
    if (!fields || fields->count == 0 || !validYear(fields->field[0])) return std::nullopt;
    CivilDate date = before;
    date.year = valueOf(fields->field[0]);
    if (fields->count >= 2 && !fields->field[1].empty()) {
        if (!validMonth(fields->field[1])) return std::nullopt;
        date.month = valueOf(fields->field[1]);
    }
    if (fields->count == 3 && !fields->field[2].empty()) {
        date.day = valueOf(fields->field[2]);
    }
    const int last = lastDay(date.year, date.month);
    if (date.day > last) date.day = last;
    if (!dateFromCivil(date.year, date.month, date.day)) return std::nullopt;
    return date;
}

}  // namespace qinghe::entry
