#include "import/bill_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/ole_date.h"
#include "entry/entry_form.h"
#include "import/bill_text.h"

namespace qinghe::import {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits and at most one point, a digit among them.
bool isPlainDecimal(std::string_view text) {
    bool digit = false, point = false;
    for (const char c : text) {
        if (isDigit(c)) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

// Commas only between groups of three digits before the point: "1,234.5".
std::optional<std::string> withoutGroupCommas(std::string_view text) {
    if (text.find(',') == std::string_view::npos) return std::string(text);
    const std::size_t point = std::min(text.find('.'), text.size());
    std::string out;
    std::size_t digitsSinceComma = 0;
    bool sawComma = false;
    for (std::size_t i = 0; i < point; ++i) {
        if (text[i] == ',') {
            if ((sawComma && digitsSinceComma != 3) || digitsSinceComma == 0 ||
                (!sawComma && digitsSinceComma > 3))
                return std::nullopt;
            sawComma = true;
            digitsSinceComma = 0;
            continue;
        }
        ++digitsSinceComma;
        out += text[i];
    }
    if (sawComma && digitsSinceComma != 3) return std::nullopt;
    if (text.substr(point).find(',') != std::string_view::npos) return std::nullopt;
    out.append(text.substr(point));
    return out;
}

// The decimal as an integer of units and a count of decimals.
struct Scaled {
    __int128 units = 0;
    int scale = 0;
};

Scaled scaled(const std::string& digits) {
    Scaled s;
    bool afterPoint = false;
    for (const char c : digits) {
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        s.units = s.units * 10 + (c - '0');
        if (afterPoint) ++s.scale;
    }
    return s;
}

__int128 atScale(const Scaled& s, int scale) {
    __int128 units = s.units;
    for (int i = s.scale; i < scale; ++i) units *= 10;
    return units;
}

Money fromScaled(__int128 units, int scale) {
    std::string text;
    do {
        text += static_cast<char>('0' + static_cast<int>(units % 10));
        units /= 10;
    } while (units > 0);
    while (static_cast<int>(text.size()) <= scale) text += '0';
    std::reverse(text.begin(), text.end());
    if (scale > 0) text.insert(text.size() - static_cast<std::size_t>(scale), 1, '.');
    return Money{false, text};
}

// Leading digits of `text` from `at` as a number (at most `most` of them).
std::optional<int> digitsAt(std::string_view text, std::size_t& at, std::size_t most) {
    const std::size_t start = at;
    int value = 0;
    while (at < text.size() && isDigit(text[at]) && at - start < most) {
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    if (at == start) return std::nullopt;
    return value;
}

struct TimeOfDay {
    int hour = 0, minute = 0;
    double second = 0;
};

// "12:30", "12:30:45", "12:30:45.5"; with `compact` also "1230" and "123045".
std::optional<TimeOfDay> parseTime(std::string_view text, bool compact) {
    text = trimCell(text);
    TimeOfDay time;
    if (compact && (text.size() == 4 || text.size() == 6) &&
        std::all_of(text.begin(), text.end(), isDigit)) {
        time.hour = (text[0] - '0') * 10 + (text[1] - '0');
        time.minute = (text[2] - '0') * 10 + (text[3] - '0');
        if (text.size() == 6) time.second = (text[4] - '0') * 10 + (text[5] - '0');
        return time;
    }
    std::size_t at = 0;
    const auto hour = digitsAt(text, at, 2);
    if (!hour || at >= text.size() || text[at] != ':') return std::nullopt;
    ++at;
    const auto minute = digitsAt(text, at, 2);
    if (!minute || at - (text.find(':') + 1) != 2) return std::nullopt;
    time.hour = *hour;
    time.minute = *minute;
    if (at < text.size() && text[at] == ':') {
        ++at;
        const std::size_t start = at;
        while (at < text.size() && (isDigit(text[at]) || text[at] == '.')) ++at;
        const std::string_view seconds = text.substr(start, at - start);
        if (seconds.size() < 2 || !isPlainDecimal(seconds)) return std::nullopt;
        const auto [end, error] =
            std::from_chars(seconds.data(), seconds.data() + seconds.size(), time.second);
        if (error != std::errc()) return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;
    return time;
}

}  // namespace

double Money::value() const {
    const double magnitude = entry::amountFromText(digits).value_or(0);
    return negative ? -magnitude : magnitude;
}

bool Money::isZero() const {
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
}

std::optional<Money> parseMoney(const Cell& cell) {
    std::string_view text = trimCell(cell.text);
    Money money;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        money.negative = text.front() == '-';
        text.remove_prefix(1);
        text = trimCell(text);
    }
    for (const std::string_view sign : {"\xC2\xA5", "\xEF\xBF\xA5"}) {  // ¥ ￥
        if (text.starts_with(sign)) text = trimCell(text.substr(sign.size()));
    }
    if (text.ends_with("\xE5\x85\x83")) text = trimCell(text.substr(0, text.size() - 3));  // 元
    if (!money.negative && !text.empty() && text.front() == '-') {
        // "¥-12.00"
        money.negative = true;
        text.remove_prefix(1);
    }
    std::string digits;
    if (cell.number &&
        (text.find('e') != std::string_view::npos || text.find('E') != std::string_view::npos)) {
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
            value < 0 || value > entry::kLargestAmount)
            return std::nullopt;
        char buffer[64];
        const auto [out, failed] =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
        if (failed != std::errc()) return std::nullopt;
        digits.assign(buffer, out);
    } else {
        auto plain = withoutGroupCommas(text);
        if (!plain) return std::nullopt;
        digits = std::move(*plain);
    }
    if (!isPlainDecimal(digits)) return std::nullopt;
    // The add window's own reading decides: finite, at most 1e12.
    if (!entry::amountFromText(digits)) return std::nullopt;
    // No point without decimals after it; leading zeros kept as written.
    if (digits.back() == '.') digits.pop_back();
    if (digits.front() == '.') digits.insert(digits.begin(), '0');
    money.digits = std::move(digits);
    if (money.isZero()) money.negative = false;
    return money;
}

std::optional<Money> subtractMoney(const Money& a, const Money& b) {
    const Scaled x = scaled(a.digits), y = scaled(b.digits);
    const int scale = std::max(x.scale, y.scale);
    const __int128 difference = atScale(x, scale) - atScale(y, scale);
    if (difference < 0) return std::nullopt;
    return fromScaled(difference, scale);
}

Money addMoney(const Money& a, const Money& b) {
    const Scaled x = scaled(a.digits), y = scaled(b.digits);
    const int scale = std::max(x.scale, y.scale);
    return fromScaled(atScale(x, scale) + atScale(y, scale), scale);
}

bool moneyAtLeast(const Money& a, const Money& b) {
    return subtractMoney(a, b).has_value();
}

std::optional<double> parseBillDateTime(const Cell& date, const Cell* time) {
    std::string_view text = trimCell(date.text);
    if (date.number && !text.empty()) {
        // A serial date of a sheet (days since 1899-12-30 from March 1900 on),
        // its fraction the time of day.
        double serial = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), serial);
        if (error == std::errc() && end == text.data() + text.size() && serial >= 61 &&
            serial <= kLatestDate + 0.99999) {
            double day = std::floor(serial);
            // Rounded to the second: sheets keep times as binary fractions.
            double seconds = std::round((serial - day) * 86400.0);
            if (seconds >= 86400) {
                day += 1;
                seconds = 0;
            }
            const CivilDate civil = civilFromDate(day);
            const int whole = static_cast<int>(seconds);
            auto result = dateTimeFromCivil(civil.year, civil.month, civil.day, whole / 3600,
                                            whole / 60 % 60, whole % 60);
            if (result && (!time || trimCell(time->text).empty())) return result;
            if (result && time) {
                const auto t = parseTime(time->text, true);
                if (!t) return std::nullopt;
                return dateTimeFromCivil(civil.year, civil.month, civil.day, t->hour, t->minute,
                                         t->second);
            }
            return result;
        }
    }
    std::size_t at = 0;
    int year = 0, month = 0, day = 0;
    if (text.size() >= 8 && std::all_of(text.begin(), text.begin() + 8, isDigit) &&
        (text.size() == 8 || !isDigit(text[8]))) {
        year = std::stoi(std::string(text.substr(0, 4)));
        month = std::stoi(std::string(text.substr(4, 2)));
        day = std::stoi(std::string(text.substr(6, 2)));
        at = 8;
    } else {
        const auto y = digitsAt(text, at, 4);
        if (!y || at != 4) return std::nullopt;
        year = *y;
        // The separator after the year, and the same after the month.
        std::string_view separator;
        for (const std::string_view s : {"-", "/", ".", "\xE5\xB9\xB4"}) {  // 年
            if (text.substr(at).starts_with(s)) separator = s;
        }
        if (separator.empty()) return std::nullopt;
        at += separator.size();
        const auto m = digitsAt(text, at, 2);
        if (!m) return std::nullopt;
        const std::string_view second =
            separator == "\xE5\xB9\xB4" ? std::string_view("\xE6\x9C\x88") : separator;  // 月
        if (!text.substr(at).starts_with(second)) return std::nullopt;
        at += second.size();
        const auto d = digitsAt(text, at, 2);
        if (!d) return std::nullopt;
        if (separator == "\xE5\xB9\xB4" && text.substr(at).starts_with("\xE6\x97\xA5"))  // 日
            at += 3;
        month = *m;
        day = *d;
    }
    TimeOfDay clock;
    std::string_view rest = text.substr(at);
    if (!rest.empty() && (rest.front() == 'T' || rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    rest = trimCell(rest);
    if (!rest.empty()) {
        const auto t = parseTime(rest, false);
        if (!t) return std::nullopt;
        clock = *t;
    } else if (time && !trimCell(time->text).empty()) {
        const auto t = parseTime(time->text, true);
        if (!t) return std::nullopt;
        clock = *t;
    }
    return dateTimeFromCivil(year, month, day, clock.hour, clock.minute, clock.second);
}

}  // namespace qinghe::import
