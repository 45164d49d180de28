#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry/entry_list.h"
#include "ledger/ledger_list.h"
#include "report/csv.h"
#include "report/query.h"
#include "report/statistics.h"
#include "tests/report/report_fixture.h"

namespace qinghe {
namespace {

using testing::gbk;

class ShownFiguresTest : public testing::ReportTest {};

// A household's amounts whose net is 18028.255 exactly: summed in doubles
// it lands a hair below the half cent (18028.254999999997), and half of the
// places that showed it said 18028.25 while the others said 18028.26. Every
// figure of the same data rounds the exact total once, the same way.
TEST_F(ShownFiguresTest, EveryPlaceShowsTheSameCentsForTheSameData) {
    const std::vector<double> incomes = {0.1, 0.7, 3.33, 3.33, 1234.56, 8500.3, 8500.3};
    const std::vector<double> expenses = {0.115,  0.2,   1.11,  7.77,  12.345,
                                          12.345, 45.12, 45.12, 45.12, 45.12};
    double date = *dateFromCivil(2015, 5, 1);
    for (const double amount : incomes)
        add({date += 1, Direction::Income, gbk("工资"), amount, gbk("爸爸"), "", false});
    for (const double amount : expenses)
        add({date += 1, Direction::Expense, gbk("餐饮"), amount, gbk("妈妈"), "", false});
    state_.settings.initialAmount = 0;

    const ledger::LedgerList list = ledger::rebuildLedgerList(state_);
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0].balance, "18028.26");
    ASSERT_TRUE(list.summary);
    EXPECT_EQ(list.summary->balance, "18028.26");
    EXPECT_EQ(list.summary->income, list.rows[0].income);
    EXPECT_EQ(list.summary->expense, list.rows[0].expense);

    EXPECT_EQ(gbkToUtf8Lossy(entry::entryLabels(state_).balance), "当前余额：18028.26");

    const report::QueryResult all = report::runQuery(state_, report::QueryConditions{});
    EXPECT_EQ(gbkToUtf8Lossy(all.totalLabel), "当前累计：18028.26元（结余）");

    const auto rows = entry::currentLedgerRows(state_);
    ASSERT_TRUE(rows);
    const report::Statistics year =
        report::runStatistics(*rows, report::kYearUnit, report::kSummaryKind);
    ASSERT_EQ(year.rows.size(), 1u);
    EXPECT_EQ(year.rows[0].amount, "18028.26");
    EXPECT_NE(report::statisticsCsv(year).find(",18028.26\r\n"), std::string::npos);

    // With an initial amount the ledger's balance adds it before the one rounding.
    state_.settings.initialAmount = 0.005;
    EXPECT_EQ(gbkToUtf8Lossy(entry::entryLabels(state_).balance), "当前余额：18028.26");
    state_.settings.initialAmount = -0.01;
    EXPECT_EQ(gbkToUtf8Lossy(entry::entryLabels(state_).balance), "当前余额：18028.25");
}

}  // namespace
}  // namespace qinghe
