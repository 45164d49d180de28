#include "common/ole_date.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace qinghe {

namespace {

// OLE day 0 (1899-12-30) counted from 1970-01-01.
constexpr std::int64_t kOleEpochInUnixDays = -25569;

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Howard Hinnant's days_from_civil: days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// Howard Hinnant's civil_from_days, the inverse of daysFromCivil.
CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return CivilDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// A cursor over the text being parsed as a date.
struct Scanner {
    std::string_view text;
    std::size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return atEnd() ? '\0' : text[pos]; }

    // Reads between minDigits and maxDigits decimal digits.
    bool number(int minDigits, int maxDigits, int& value) {
        int count = 0;
        value = 0;
        while (!atEnd() && count < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + (text[pos] - '0');
            ++pos;
            ++count;
        }
        // A further digit means the field is longer than allowed.
        if (count < minDigits || (!atEnd() && text[pos] >= '0' && text[pos] <= '9')) return false;
        return true;
    }

    bool accept(char c) {
        if (peek() != c) return false;
        ++pos;
        return true;
    }
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<double> parseDate(std::string_view text) {
    Scanner in{trim(text)};
    int year = 0;
    int month = 0;
    int day = 0;
    // Five digits let "10000-01-01" reach the range check instead of being misread.
    if (!in.number(1, 5, year)) return std::nullopt;
    const char separator = in.peek();
    if (separator != '-' && separator != '/' && separator != '.') return std::nullopt;
    in.accept(separator);
    if (!in.number(1, 2, month) || !in.accept(separator) || !in.number(1, 2, day)) {
        return std::nullopt;
    }
    if (in.atEnd()) return dateFromCivil(year, month, day);

    if (!in.accept('T')) {
        if (!isSpace(in.peek())) return std::nullopt;
        while (isSpace(in.peek())) in.accept(in.peek());
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!in.number(1, 2, hour) || !in.accept(':') || !in.number(2, 2, minute)) {
        return std::nullopt;
    }
    if (in.accept(':') && !in.number(2, 2, second)) return std::nullopt;
    if (!in.atEnd()) return std::nullopt;
    return dateTimeFromCivil(year, month, day, hour, minute, second);
}

void appendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::optional<double> dateFromCivil(int year, int month, int day) {
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month)) {
        return std::nullopt;
    }
    return static_cast<double>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kOleEpochInUnixDays);
}

std::optional<double> dateTimeFromCivil(int year, int month, int day, int hour, int minute,
                                        double second) {
    const std::optional<double> date = dateFromCivil(year, month, day);
    if (!date || hour < 0 || hour > 23 || minute < 0 || minute > 59 || !(second >= 0.0) ||
        !(second < 60.0)) {
        return std::nullopt;
    }
    const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day 0 the integer part is still the day and the time counts away from zero.
    return *date < 0 ? *date - time : *date + time;
}

double clampDate(double date) {
    if (std::isnan(date)) return kEarliestDate;
    return std::clamp(date, kEarliestDate, kLatestDate);
}

CivilDate civilFromDate(double date) {
    const auto day = static_cast<std::int64_t>(std::trunc(clampDate(date)));
    return civilFromDays(day + kOleEpochInUnixDays);
}

std::string dateToText(double date, std::string_view separator) {
    const CivilDate civil = civilFromDate(date);
    char year[8];
    const auto written = std::to_chars(year, year + sizeof year, civil.year);
    std::string text(year, written.ptr);
    text += separator;
    appendTwoDigits(text, civil.month);
    text += separator;
    appendTwoDigits(text, civil.day);
    return text;
}

double textToDate(std::string_view text) {
    return parseDate(text).value_or(kEarliestDate);
}

}  // namespace qinghe
