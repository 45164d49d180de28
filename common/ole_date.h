#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe {

// Dates are OLE day counts: day 0 is 1899-12-30, the time of day is the fraction
// (for negative days the fraction still counts forward from midnight).
inline constexpr double kEarliestDate = -657434.0;  // 0100-01-01
inline constexpr double kLatestDate = 2958465.0;    // 9999-12-31

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Day count of a calendar date, or nothing when the date does not exist or lies
// outside 0100-01-01 .. 9999-12-31.
std::optional<double> dateFromCivil(int year, int month, int day);
// As dateFromCivil, plus the time of day; seconds may be fractional.
std::optional<double> dateTimeFromCivil(int year, int month, int day, int hour, int minute,
                                        double second);

// Limits a day count to the handled range; NaN becomes the earliest date.
double clampDate(double date);
// Calendar date of the day a day count falls on (clamped to the range first).
CivilDate civilFromDate(double date);

// "2015-05-12": year without added zeros, two-digit month and day; the time of
// day is never shown.
std::string dateToText(double date, std::string_view separator = "-");
// Accepts what dateToText writes (with "-", "/" or "."), optionally followed by a
// time "hh:mm" or "hh:mm:ss". Anything else gives 0100-01-01.
double textToDate(std::string_view text);

}  // namespace qinghe
