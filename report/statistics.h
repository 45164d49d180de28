#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "entry/ledger_rows.h"
#include "report/periods.h"

namespace qinghe::report {

// The time unit and the kind of the 数据统计 page, by the index of their choice.
enum StatUnit { kDayUnit = 0, kMonthUnit = 1, kYearUnit = 2 };
enum StatKind { kSummaryKind = 0, kBothKind = 1, kIncomeKind = 2, kExpenseKind = 3 };

// One element of the statistics: the entries of one period (and direction,
// where the kind keeps them apart). It keeps the record number, date and
// direction of the first entry that made it.
struct StatRecord {
    std::int32_t recordNumber = 0;
    double date = 0;
    Direction direction = Direction::Expense;
    double amount = 0;  // exact: incomes less expenses for 汇总, else the sum
};

// One row of the list, as shown: "2015-05-12", "2015-5" or "2015"; "汇总",
// "收入" or "支出"; the amount rounded to cents.
struct StatRow {
    std::string period;
    std::string direction;
    std::string amount;
    std::size_t element = 0;  // its element in the statistics' statList
};

struct Statistics {
    int unit = kDayUnit;
    int kind = kSummaryKind;
    // The elements in the order in which their first entry stands in the
    // table (never sorted by date); by day with 收入 or 支出 it holds the
    // elements of both directions, and only one of them is listed.
    std::vector<StatRecord> statList;
    std::vector<StatRow> rows;
};

// Totals of the entries per day, month or year (unit) as a summary, per
// direction, incomes only or expenses only (kind). Every sum is exact (a
// project decision: 3000000.01 stays 3000000.01). Each entry is looked up in
// a hash of the periods seen so far: one pass, linear in the entries whatever
// the number of periods. A unit or kind outside the choices lists nothing.
Statistics runStatistics(const LedgerRows& rows, int unit, int kind);

// A period's label: 2015-05-12 by day, 2015-5 by month (no leading zeros),
// 2015 by year.
std::string periodLabel(double date, int unit);

// Where a double-click on a row of the list leads the 查账 page: the dates of
// its period and the direction its kind names (汇总 to 全部, 收入 to 收, 支出
// to 支). A day row sets both pickers to its day, a month row to the month's
// first and last day, a year row to 1 January and 31 December. The period is
// the row's own, the one the list was built with, even when the time box has
// been changed since.
struct DrillDown {
    DateRange dates;
    std::optional<Direction> direction;  // none: 全部
};
std::optional<DrillDown> drillDown(const Statistics& statistics, std::size_t row);

// The chart beside the list: the periods in date order and one series a
// direction (收入 and 支出, or the one kind asked for, or 汇总 with the net per
// period), each value the exact total of its period (0 where it has none).
struct ChartSeries {
    std::string name;                    // GBK: 收入, 支出 or 汇总
    std::optional<Direction> direction;  // none: the net of both
    std::vector<double> values;
};
struct StatChart {
    std::vector<std::string> periods;  // labels, in date order
    std::vector<double> periodDates;   // the first day of each period
    std::vector<ChartSeries> series;
};
StatChart chartOf(const Statistics& statistics);

}  // namespace qinghe::report
