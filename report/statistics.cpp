#include "report/statistics.h"

#include <algorithm>
#include <numeric>

#include "common/exact_sum.h"
#include "common/money_text.h"
#include "entry/entry_texts.h"
#include "report/period_index.h"
#include "report/report_texts.h"

namespace qinghe::report {

namespace {

bool validUnit(int unit) {
    return unit >= kDayUnit && unit <= kYearUnit;
}

bool validKind(int kind) {
    return kind >= kSummaryKind && kind <= kExpenseKind;
}

// The period of a calendar day in a unit, as a number that sorts as the
// periods do: the day count, year * 12 + month - 1, or the year.
std::int64_t periodOf(std::int64_t day, int unit) {
    if (unit == kDayUnit) return day;
    const CivilDate civil = civilFromDate(static_cast<double>(day));
    return unit == kMonthUnit ? std::int64_t{civil.year} * 12 + (civil.month - 1) : civil.year;
}

// The first day of a period.
double periodStart(double date, int unit) {
    const CivilDate civil = civilFromDate(date);
    switch (unit) {
        case kMonthUnit:
            return dayDate(civil.year, civil.month, 1);
        case kYearUnit:
            return dayDate(civil.year, 1, 1);
        default:
            return dayDate(civil.year, civil.month, civil.day);
    }
}

// Whether the kind keeps the directions of a period apart. By day, 收入 and
// 支出 list one direction of the day's elements, which hold both.
bool separatesDirections(int unit, int kind) {
    return kind == kBothKind || (unit == kDayUnit && kind != kSummaryKind);
}

// An element while it is being summed.
struct Bucket {
    StatRecord record;
    ExactSum sum;  // incomes less expenses for 汇总, otherwise the amounts
};

std::string directionText(int kind, Direction direction) {
    switch (kind) {
        case kSummaryKind:
            return kSummaryText;
        case kIncomeKind:
            return entry::kIncomeText;
        case kExpenseKind:
            return entry::kExpenseText;
        default:
            return direction == Direction::Income ? entry::kIncomeText : entry::kExpenseText;
    }
}

bool listed(int unit, int kind, Direction direction) {
    if (unit != kDayUnit) return true;  // the others left out what they do not list
    if (kind == kIncomeKind) return direction == Direction::Income;
    if (kind == kExpenseKind) return direction == Direction::Expense;
    return true;
}

}  // namespace

std::string periodLabel(double date, int unit) {
    const CivilDate civil = civilFromDate(date);
    switch (unit) {
        case kMonthUnit:
            return std::to_string(civil.year) + "-" + std::to_string(civil.month);
        case kYearUnit:
            return std::to_string(civil.year);
        default:
            return dateToText(date);
    }
}

Statistics runStatistics(const LedgerRows& rows, int unit, int kind) {
    Statistics statistics;
    statistics.unit = unit;
    statistics.kind = kind;
    if (!validUnit(unit) || !validKind(kind)) return statistics;

    const bool byDirection = separatesDirections(unit, kind);
    const bool summary = kind == kSummaryKind;
    // Month and year 收入 / 支出 leave the other direction out altogether.
    const bool incomesOnly = unit != kDayUnit && kind == kIncomeKind;
    const bool expensesOnly = unit != kDayUnit && kind == kExpenseKind;

    std::vector<Bucket> buckets;
    PeriodIndex index;
    // Entries of one day mostly follow each other: the day's period is
    // worked out once for them.
    std::int64_t lastDay = 0;
    std::int64_t lastPeriod = 0;
    bool anyDay = false;
    const std::size_t count = rows.size();
    for (std::size_t row = 0; row < count; ++row) {
        const bool income = rows.income(row);
        if ((incomesOnly && !income) || (expensesOnly && income)) continue;
        const double date = rows.date(row);
        const std::int64_t day = calendarDay(date);
        if (!anyDay || day != lastDay) {
            lastPeriod = periodOf(day, unit);
            lastDay = day;
            anyDay = true;
        }
        // Periods are far inside ±2^61; the lowest bit tells the directions apart.
        const std::uint64_t key =
            (static_cast<std::uint64_t>(lastPeriod) << 1) | (byDirection && !income ? 1u : 0u);
        std::uint32_t element = index.find(key);
        if (element == PeriodIndex::kMissing) {
            element = static_cast<std::uint32_t>(buckets.size());
            index.insert(key, element);
            Bucket& opened = buckets.emplace_back();
            opened.record = {static_cast<std::int32_t>(row + 1), date, rows.direction(row), 0.0};
        }
        Bucket& bucket = buckets[element];
        const double amount = rows.amount(row);
        // A net carries its sign: a period of expenses alone is negative.
        if (summary && !income) {
            bucket.sum.subtract(amount);
        } else {
            bucket.sum.add(amount);
        }
    }

    statistics.statList.reserve(buckets.size());
    for (Bucket& bucket : buckets) {
        StatRecord record = bucket.record;
        record.amount = bucket.sum.value();
        statistics.statList.push_back(record);
    }
    for (std::size_t i = 0; i < statistics.statList.size(); ++i) {
        const StatRecord& record = statistics.statList[i];
        if (!listed(unit, kind, record.direction)) continue;
        statistics.rows.push_back({periodLabel(record.date, unit),
                                   directionText(kind, record.direction), moneyText(record.amount),
                                   i});
    }
    return statistics;
}

std::optional<DrillDown> drillDown(const Statistics& statistics, std::size_t row) {
    if (row >= statistics.rows.size()) return std::nullopt;
    const StatRecord& record = statistics.statList[statistics.rows[row].element];
    const CivilDate civil = civilFromDate(record.date);
    DrillDown target;
    switch (statistics.unit) {
        case kMonthUnit:
            target.dates = {
                dayDate(civil.year, civil.month, 1),
                dayDate(civil.year, civil.month, lastDayOfMonth(civil.year, civil.month))};
            break;
        case kYearUnit:
            target.dates = {dayDate(civil.year, 1, 1), dayDate(civil.year, 12, 31)};
            break;
        default: {
            const double day = dayDate(civil.year, civil.month, civil.day);
            target.dates = {day, day};
        }
    }
    switch (statistics.kind) {
        case kIncomeKind:
            target.direction = Direction::Income;
            break;
        case kExpenseKind:
            target.direction = Direction::Expense;
            break;
        case kBothKind:
            target.direction = record.direction;
            break;
        default:
            target.direction = std::nullopt;
    }
    return target;
}

StatChart chartOf(const Statistics& statistics) {
    StatChart chart;
    const int unit = statistics.unit;
    const int kind = statistics.kind;
    // The listed elements' periods, each once, in date order.
    struct Period {
        std::int64_t key;
        double start;
    };
    std::vector<Period> periods;
    for (const StatRow& row : statistics.rows) {
        const StatRecord& record = statistics.statList[row.element];
        periods.push_back({periodOf(calendarDay(record.date), unit), record.date});
    }
    std::sort(periods.begin(), periods.end(),
              [](const Period& a, const Period& b) { return a.key < b.key; });
    periods.erase(std::unique(periods.begin(), periods.end(),
                              [](const Period& a, const Period& b) { return a.key == b.key; }),
                  periods.end());
    for (const Period& period : periods) {
        chart.periods.push_back(periodLabel(period.start, unit));
        chart.periodDates.push_back(periodStart(period.start, unit));
    }

    // One series per direction shown, in the order 收入, 支出.
    const bool income = kind == kBothKind || kind == kIncomeKind;
    const bool expense = kind == kBothKind || kind == kExpenseKind;
    if (kind == kSummaryKind) chart.series.push_back({kSummaryText, std::nullopt, {}});
    if (income) chart.series.push_back({entry::kIncomeText, Direction::Income, {}});
    if (expense) chart.series.push_back({entry::kExpenseText, Direction::Expense, {}});
    for (ChartSeries& series : chart.series) series.values.assign(periods.size(), 0.0);

    auto slotOf = [&](std::int64_t key) {
        const auto at = std::lower_bound(
            periods.begin(), periods.end(), key,
            [](const Period& period, std::int64_t wanted) { return period.key < wanted; });
        return static_cast<std::size_t>(at - periods.begin());
    };
    for (const StatRow& row : statistics.rows) {
        const StatRecord& record = statistics.statList[row.element];
        const std::size_t slot = slotOf(periodOf(calendarDay(record.date), unit));
        std::size_t series = 0;
        if (kind == kBothKind && record.direction == Direction::Expense) series = 1;
        chart.series[series].values[slot] = record.amount;
    }
    return chart;
}

}  // namespace qinghe::report
