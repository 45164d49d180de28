#pragma once

#include <cstdint>

#include "common/ole_date.h"

namespace qinghe::report {

// The calendar day a date-time falls on, as a whole day count; the time of
// day does not count (before day 0 the fraction still counts forward from
// midnight, so the day is the integer part).
std::int64_t calendarDay(double date);

// The date (midnight) of a calendar day, clamped to the handled range.
double dayDate(int year, int month, int day);
// The last day of a month, by the Gregorian rule.
int lastDayOfMonth(int year, int month);

// The quick ranges of the 查账 page, in the order of their labels.
enum class QuickRange { Today, Yesterday, ThisMonth, LastMonth, ThisYear, LastYear };

struct DateRange {
    double start = 0;
    double end = 0;
    friend bool operator==(const DateRange&, const DateRange&) = default;
};

// What a click on a quick-range label puts into the two date pickers, for the
// local date-time `now`: 今天 and 昨天 keep the time of day (the query
// ignores it), the months and years run from their first to their last day.
DateRange quickRange(QuickRange range, double now);

}  // namespace qinghe::report
