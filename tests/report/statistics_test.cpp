#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/statistics.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

using testing::gbk;

double day(int y, int m, int d) {
    return *dateFromCivil(y, m, d);
}

LedgerRows rowsOf(const std::vector<EntryValues>& entries) {
    LedgerRows rows;
    for (const EntryValues& entry : entries) rows.append(entry);
    return rows;
}

// The rows as "period direction amount" in UTF-8, for readable failures.
std::vector<std::string> shown(const std::vector<EntryValues>& entries, int unit, int kind) {
    std::vector<std::string> lines;
    for (const report::StatRow& row : report::runStatistics(rowsOf(entries), unit, kind).rows)
        lines.push_back(gbkToUtf8Lossy(row.period + " " + row.direction + " " + row.amount));
    return lines;
}

EntryValues income(double date, double amount) {
    return {.date = date, .direction = Direction::Income, .amount = amount};
}
// `stored`: the direction as the table holds it.
EntryValues expense(double date, double amount, std::int32_t stored = 2) {
    return {.date = date, .direction = directionFromStored(stored), .amount = amount};
}

TEST(RunStatistics, ListsThePeriodsAsThePartDefinesThem) {
    using report::kBothKind, report::kDayUnit, report::kExpenseKind, report::kIncomeKind,
        report::kMonthUnit, report::kSummaryKind, report::kYearUnit;
    const double may9 = day(2015, 5, 9), may12 = day(2015, 5, 12), dec1 = day(2015, 12, 1);
    struct Case {
        const char* what;
        std::vector<EntryValues> entries;
        int unit, kind;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"汇总 of a day: income less expense",
         {income(may9, 100), expense(may9 + 0.5, 30)},
         kDayUnit,
         kSummaryKind,
         {"2015-05-09 汇总 70"}},
        {"汇总 of a day, the expense entered first",
         {expense(may9, 30), income(may9 + 0.9, 100)},
         kDayUnit,
         kSummaryKind,
         {"2015-05-09 汇总 70"}},
        {"汇总 of a day of expenses only carries its sign",
         {expense(may9, 30)},
         kDayUnit,
         kSummaryKind,
         {"2015-05-09 汇总 -30"}},
        {"汇总 of a month of expenses only: its net is negative",
         {expense(day(2015, 3, 2), 1200), expense(day(2015, 3, 15), 425.8)},
         kMonthUnit,
         kSummaryKind,
         {"2015-3 汇总 -1625.8"}},
        {"per-direction rows of the same month stay positive",
         {expense(day(2015, 3, 2), 1200), expense(day(2015, 3, 15), 425.8)},
         kMonthUnit,
         kExpenseKind,
         {"2015-3 支出 1625.8"}},
        {"全部 of the same month lists its expense positive",
         {expense(day(2015, 3, 2), 1200), expense(day(2015, 3, 15), 425.8)},
         kMonthUnit,
         kBothKind,
         {"2015-3 支出 1625.8"}},
        {"汇总 of a month, in any order: 100 + 50 - 30 - 20",
         {expense(may9, 30), income(may12, 100), expense(may12, 20), income(day(2015, 5, 31), 50)},
         kMonthUnit,
         kSummaryKind,
         {"2015-5 汇总 100"}},
        {"全部 by day: first occurrence, never sorted by date",
         {expense(may12, 5), income(may9, 7), income(may12, 1), expense(may9, 2)},
         kDayUnit,
         kBothKind,
         {"2015-05-12 支出 5", "2015-05-09 收入 7", "2015-05-12 收入 1", "2015-05-09 支出 2"}},
        {"收入 by day lists the incomes alone",
         {expense(may12, 5), income(may9, 7), income(may9, 1)},
         kDayUnit,
         kIncomeKind,
         {"2015-05-09 收入 8"}},
        {"支出 by day: every direction but 1 is expense",
         {expense(may12, 5, 0), income(may9, 7), expense(may12, 1, 3), expense(may12, 2)},
         kDayUnit,
         kExpenseKind,
         {"2015-05-12 支出 8"}},
        {"支出 by month counts directions 0 and 3 as the lists do",
         {expense(may12, 5, 0), expense(dec1, 1, 3), expense(may9, 2), income(may9, 9)},
         kMonthUnit,
         kExpenseKind,
         {"2015-5 支出 7", "2015-12 支出 1"}},
        {"全部 by month: one expense row a month, whatever the stored direction",
         {expense(may12, 5, 0), expense(may9, 2), income(may9, 9)},
         kMonthUnit,
         kBothKind,
         {"2015-5 支出 7", "2015-5 收入 9"}},
        {"收入 by year",
         {income(day(2016, 1, 1), 1), income(may9, 2), expense(may9, 4), income(dec1, 3)},
         kYearUnit,
         kIncomeKind,
         {"2016 收入 1", "2015 收入 5"}},
        {"汇总 by year",
         {income(day(2016, 1, 1), 1), expense(day(2016, 6, 1), 4), expense(may9, 3)},
         kYearUnit,
         kSummaryKind,
         {"2016 汇总 -3", "2015 汇总 -3"}},
        {"month labels without zeros, day labels with",
         {income(day(2015, 12, 31), 1), income(may9, 2)},
         kMonthUnit,
         kBothKind,
         {"2015-12 收入 1", "2015-5 收入 2"}},
        {"sums stay exact: 3000000.01",
         {income(may9, 3000000.01)},
         kDayUnit,
         kBothKind,
         {"2015-05-09 收入 3000000.01"}},
        {"0.1 + 0.2 + 0.3",
         {income(may9, 0.1), income(may9, 0.2), income(may12, 0.3)},
         kYearUnit,
         kIncomeKind,
         {"2015 收入 0.6"}},
        {"an empty ledger", {}, kDayUnit, kSummaryKind, {}},
        {"no unit chosen", {income(may9, 1)}, -1, kSummaryKind, {}},
        {"no kind chosen", {income(may9, 1)}, kDayUnit, 4, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(shown(c.entries, c.unit, c.kind), c.rows) << c.what;
}

TEST(RunStatistics, ElementsKeepTheirFirstEntry) {
    const double may9 = day(2015, 5, 9);
    const LedgerRows rows =
        rowsOf({expense(may9 + 0.25, 30), income(may9 + 0.5, 100), expense(may9 + 0.75, 1)});
    const report::Statistics byDay =
        report::runStatistics(rows, report::kDayUnit, report::kIncomeKind);
    // By day, 收入 keeps the elements of both directions and lists one.
    ASSERT_EQ(byDay.statList.size(), 2u);
    EXPECT_EQ(byDay.statList[0].recordNumber, 1);
    EXPECT_EQ(byDay.statList[0].date, may9 + 0.25);
    EXPECT_EQ(byDay.statList[0].direction, Direction::Expense);
    EXPECT_EQ(byDay.statList[0].amount, 31);
    EXPECT_EQ(byDay.statList[1].recordNumber, 2);
    ASSERT_EQ(byDay.rows.size(), 1u);
    EXPECT_EQ(byDay.rows[0].element, 1u);

    const report::Statistics summary =
        report::runStatistics(rows, report::kMonthUnit, report::kSummaryKind);
    ASSERT_EQ(summary.statList.size(), 1u);
    EXPECT_EQ(summary.statList[0].recordNumber, 1);
    EXPECT_EQ(summary.statList[0].direction, Direction::Expense);
    EXPECT_EQ(summary.statList[0].amount, 69);
}

TEST(RunStatistics, ThousandsOfPeriodsKeepTheirFirstOccurrenceOrder) {
    // Days of ten years, visited in a scrambled order, twice each.
    LedgerRows rows;
    const int days = 3650;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < days; ++i) {
            const int d = (i * 1237) % days;
            rows.append(income(40000 + d, 1 + pass));
        }
    }
    const report::Statistics statistics =
        report::runStatistics(rows, report::kDayUnit, report::kIncomeKind);
    ASSERT_EQ(statistics.rows.size(), std::size_t(days));
    for (int i = 0; i < days; ++i) {
        const report::StatRecord& record = statistics.statList[statistics.rows[i].element];
        EXPECT_EQ(record.date, 40000 + (i * 1237) % days);
        EXPECT_EQ(record.recordNumber, i + 1);
        EXPECT_EQ(record.amount, 3);
    }
}

TEST(DrillDown, LeadsToTheRowsPeriodAndDirection) {
    const double may9 = day(2015, 5, 9);
    const LedgerRows rows = rowsOf({income(may9 + 0.5, 1), expense(day(2016, 2, 10), 2)});
    struct Case {
        const char* what;
        int unit, kind;
        std::size_t row;
        report::DateRange dates;
        std::optional<Direction> direction;
    };
    const Case cases[] = {
        {"a day of 汇总", report::kDayUnit, report::kSummaryKind, 0, {may9, may9}, std::nullopt},
        {"a month to its first and last day",
         report::kMonthUnit,
         report::kBothKind,
         1,
         {day(2016, 2, 1), day(2016, 2, 29)},
         Direction::Expense},
        {"a month of income",
         report::kMonthUnit,
         report::kBothKind,
         0,
         {day(2015, 5, 1), day(2015, 5, 31)},
         Direction::Income},
        {"a year to 1 January and 31 December",
         report::kYearUnit,
         report::kIncomeKind,
         0,
         {day(2015, 1, 1), day(2015, 12, 31)},
         Direction::Income},
        {"支出",
         report::kYearUnit,
         report::kExpenseKind,
         0,
         {day(2016, 1, 1), day(2016, 12, 31)},
         Direction::Expense},
    };
    for (const Case& c : cases) {
        const auto target = report::drillDown(report::runStatistics(rows, c.unit, c.kind), c.row);
        ASSERT_TRUE(target) << c.what;
        EXPECT_EQ(target->dates, c.dates) << c.what;
        EXPECT_EQ(target->direction, c.direction) << c.what;
    }
    EXPECT_FALSE(report::drillDown(report::runStatistics(rows, 0, 0), 5));
}

TEST(ChartOf, PutsThePeriodsInDateOrderWithOneSeriesADirection) {
    const LedgerRows rows = rowsOf({expense(day(2015, 7, 3), 5), income(day(2015, 5, 9), 7),
                                    income(day(2015, 7, 1), 1), expense(day(2015, 6, 2), 2)});
    const report::StatChart both =
        report::chartOf(report::runStatistics(rows, report::kMonthUnit, report::kBothKind));
    std::vector<std::string> periods;
    for (const auto& period : both.periods) periods.push_back(gbkToUtf8Lossy(period));
    EXPECT_EQ(periods, (std::vector<std::string>{"2015-5", "2015-6", "2015-7"}));
    EXPECT_EQ(both.periodDates,
              (std::vector<double>{day(2015, 5, 1), day(2015, 6, 1), day(2015, 7, 1)}));
    ASSERT_EQ(both.series.size(), 2u);
    EXPECT_EQ(both.series[0].name, gbk("收入"));
    EXPECT_EQ(both.series[0].values, (std::vector<double>{7, 0, 1}));
    EXPECT_EQ(both.series[1].name, gbk("支出"));
    EXPECT_EQ(both.series[1].values, (std::vector<double>{0, 2, 5}));

    const report::StatChart net =
        report::chartOf(report::runStatistics(rows, report::kMonthUnit, report::kSummaryKind));
    ASSERT_EQ(net.series.size(), 1u);
    EXPECT_EQ(net.series[0].name, gbk("汇总"));
    EXPECT_EQ(net.series[0].values, (std::vector<double>{7, -2, -4}));

    const report::StatChart incomes =
        report::chartOf(report::runStatistics(rows, report::kDayUnit, report::kIncomeKind));
    ASSERT_EQ(incomes.series.size(), 1u);
    EXPECT_EQ(incomes.periods.size(), 2u);
    EXPECT_EQ(incomes.series[0].values, (std::vector<double>{7, 1}));
}

}  // namespace
}  // namespace qinghe
