#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "entry/entry_order.h"
#include "entry/entry_rows.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

using entry::EntryOrder;
using entry::SortDirection;
using entry::SortKey;
using testing::gbk;
using Rows = std::vector<std::uint32_t>;

// Six entries with ties in every key, so that stability shows.
LedgerRows household() {
    LedgerRows rows;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double date;
        const char* item;
        double amount;
        const char* member;
    } entries[] = {
        {42136, "餐饮", 86.5, "妈妈"},   // 0
        {42100, "工资", 8500, "爸爸"},   // 1
        {42136, "交通", -3, "爸爸"},     // 2
        {42137, "餐饮", 86.5, ""},       // 3
        {nan, "Apple", 0, "妈妈"},       // 4
        {-657434, "餐饮", nan, "爸爸"},  // 5
    };
    for (const auto& e : entries) {
        rows.append(e.date, Direction::Expense, gbk(e.item), e.amount, gbk(e.member), "", false);
    }
    return rows;
}

TEST(EntryOrder, SortsByEachKeyBothWaysKeepingTableOrderForTies) {
    const LedgerRows rows = household();
    struct Case {
        SortKey key;
        Rows ascending;
        Rows descending;
    };
    // Items and members by pinyin (GBK order): ASCII first, then 餐 (can),
    // 工 (gong), 交 (jiao); 爸 (ba) before 妈 (ma); the empty name first.
    const Case cases[] = {
        {SortKey::Date, {5, 1, 0, 2, 3, 4}, {4, 3, 0, 2, 1, 5}},
        {SortKey::Amount, {2, 4, 0, 3, 1, 5}, {5, 1, 0, 3, 4, 2}},
        {SortKey::Item, {4, 0, 3, 5, 1, 2}, {2, 1, 0, 3, 5, 4}},
        {SortKey::Member, {3, 1, 2, 5, 0, 4}, {0, 4, 1, 2, 5, 3}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(entry::sortedRows(rows, {c.key, SortDirection::Ascending}), c.ascending)
            << int(c.key);
        EXPECT_EQ(entry::sortedRows(rows, {c.key, SortDirection::Descending}), c.descending)
            << int(c.key);
    }
}

TEST(EntryOrder, SortsOnlyTheListedRowsAndLeavesTheTotalsAlone) {
    LedgerRows rows = household();
    const double income = rows.incomeTotal(), expense = rows.expenseTotal();
    const Rows listed{0, 2, 3, 5};
    EXPECT_EQ(entry::sortedRows(rows, listed, {SortKey::Date, SortDirection::Descending}),
              (Rows{3, 0, 2, 5}));
    EXPECT_EQ(entry::sortedRows(rows, Rows{}, {SortKey::Item, SortDirection::Ascending}), Rows{});
    EXPECT_EQ(rows.incomeTotal(), income);
    EXPECT_EQ(rows.expenseTotal(), expense);
}

TEST(EntryOrder, ColumnsAndNamesMapToKeys) {
    for (const SortKey key : {SortKey::Date, SortKey::Amount, SortKey::Item, SortKey::Member})
        EXPECT_EQ(entry::sortKeyOfColumn(entry::columnOfSortKey(key)), key);
    for (const int column : {int(entry::kDirectionColumn), int(entry::kNoteColumn),
                             int(entry::kVoucherColumn), -1, int(entry::kEntryColumnCount)}) {
        EXPECT_FALSE(entry::sortKeyOfColumn(column)) << column;
    }
    EXPECT_EQ(entry::sortKeyNamed("amount"), SortKey::Amount);
    EXPECT_EQ(entry::sortKeyNamed("member"), SortKey::Member);
    EXPECT_FALSE(entry::sortKeyNamed("note"));
}

}  // namespace
}  // namespace qinghe
