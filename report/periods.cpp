#include "report/periods.h"

#include <algorithm>
#include <cmath>

namespace qinghe::report {

namespace {

constexpr int kFirstYear = 100;
constexpr int kLastYear = 9999;

}  // namespace

std::int64_t calendarDay(double date) {
    return static_cast<std::int64_t>(std::trunc(clampDate(date)));
}

int lastDayOfMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

double dayDate(int year, int month, int day) {
    if (year < kFirstYear) return kEarliestDate;
    if (year > kLastYear) return kLatestDate;
    return dateFromCivil(year, month, day).value_or(kEarliestDate);
}

DateRange quickRange(QuickRange range, double now) {
    const CivilDate today = civilFromDate(now);
    switch (range) {
        case QuickRange::Today:
            return {now, now};
        case QuickRange::Yesterday:
            return {clampDate(now - 1), clampDate(now - 1)};
        case QuickRange::ThisMonth:
            return {dayDate(today.year, today.month, 1),
                    dayDate(today.year, today.month, lastDayOfMonth(today.year, today.month))};
        case QuickRange::LastMonth: {
            const int year = today.month == 1 ? today.year - 1 : today.year;
            const int month = today.month == 1 ? 12 : today.month - 1;
            if (year < kFirstYear) return {kEarliestDate, kEarliestDate};
            return {dayDate(year, month, 1), dayDate(year, month, lastDayOfMonth(year, month))};
        }
        case QuickRange::ThisYear:
            return {dayDate(today.year, 1, 1), dayDate(today.year, 12, 31)};
        case QuickRange::LastYear: {
            const int year = std::max(today.year - 1, kFirstYear);
            return {dayDate(year, 1, 1), dayDate(year, 12, 31)};
        }
    }
    return {now, now};
}

}  // namespace qinghe::report
