#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/settings.h"
#include "report/periods.h"
#include "report/query.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

using report::QueryConditions;
using testing::gbk;

constexpr double k0512 = 42136;  // 2015-05-12

std::shared_ptr<const LedgerRows> rowsOf(const std::vector<EntryValues>& entries) {
    auto rows = std::make_shared<LedgerRows>();
    for (const EntryValues& entry : entries) rows->append(entry);
    return rows;
}

std::vector<std::uint32_t> listed(const std::vector<EntryValues>& entries,
                                  const QueryConditions& conditions) {
    return report::runQuery(rowsOf(entries), conditions).matches;
}

TEST(NoteSearch, FindsTextFromACharacterWithAsciiLettersFolded) {
    struct Case {
        const char* what;
        std::string note;  // GBK
        std::string text;  // GBK
        bool found;
    };
    const Case cases[] = {
        {"same case", gbk("买abc文具"), "abc", true},
        {"upper case note", gbk("买ABC文具"), "abc", true},
        {"mixed case both", gbk("买aBc文具"), "AbC", true},
        {"full-width letters are not folded", gbk("买ａｂｃ文具"), "abc", false},
        {"full-width found as typed", gbk("买ａｂｃ文具"), gbk("ａｂｃ"), true},
        {"full-width case is exact", gbk("买ａｂｃ文具"), gbk("ＡＢＣ"), false},
        {"Chinese", gbk("和朋友聚餐，AA"), gbk("聚餐"), true},
        {"empty text finds everything", gbk("任何"), "", true},
        {"empty note", "", "a", false},
        {"at the very end", gbk("超市a"), "A", true},
        {"longer than the note", "ab", "abc", false},
        // 乤 is 81 61: its second byte is "a", yet no "abc" starts inside it.
        {"no match from a second byte",
         "\x81"
         "abc",
         "abc", false},
        {"letters after a double-byte character",
         "\x81\x81"
         "abc",
         "abc", true},
        // 丄 (81 41) and 乤 (81 61) differ only in a letter-like second byte.
        {"second bytes compared exactly", gbk("乤"), gbk("丄"), false},
        {"a character after a letter", "x" + gbk("乤"), gbk("乤"), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(report::NoteSearch(c.text).foundIn(c.note), c.found) << c.what;
    }
}

TEST(RunQuery, TestsDatesAsCalendarDaysBothBoundsIncluded) {
    const std::vector<EntryValues> entries = {
        {.date = k0512 - 1 + 0.999},  // 2015-05-11 23:58
        {.date = k0512},              // 2015-05-12 00:00
        {.date = k0512 + 0.9993},     // 2015-05-12 23:59
        {.date = k0512 + 1},          // 2015-05-13
    };
    struct Case {
        const char* what;
        double start, end;
        std::vector<std::uint32_t> rows;
    };
    const Case cases[] = {
        {"one day, times on the pickers ignored", k0512 + 0.75, k0512 + 0.25, {1, 2}},
        {"23:59 on the end date", k0512 - 5, k0512, {0, 1, 2}},
        {"from the start date on", k0512 + 1, k0512 + 10, {3}},
        {"start after end", k0512 + 1, k0512, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(listed(entries, {.startDate = c.start, .endDate = c.end}), c.rows) << c.what;
    }
}

TEST(RunQuery, TestsDirectionItemMemberAndNoteTogetherInTableOrder) {
    const std::string wages = gbk("工资"), food = gbk("餐饮"), all = gbk("全部");
    const std::string dad = gbk("爸爸"), mum = gbk("妈妈");
    const std::vector<EntryValues> entries = {
        {.date = k0512 + 30,
         .direction = Direction::Expense,
         .item = food,
         .member = mum,
         .note = gbk("超市ABC")},
        {.date = k0512,
         .direction = Direction::Income,
         .item = wages,
         .member = dad,
         .note = gbk("五月")},
        {.date = k0512 - 30,
         .direction = directionFromStored(0),
         .item = food,
         .member = dad,
         .note = "abc"},
        {.date = k0512,
         .direction = directionFromStored(3),
         .item = all,
         .member = all,
         .note = ""},
        {.date = k0512, .direction = Direction::Income, .item = all, .member = mum, .note = "aBc"},
    };
    struct Case {
        const char* what;
        QueryConditions conditions;
        std::vector<std::uint32_t> rows;
    };
    const Case cases[] = {
        {"everything, in table order, not by date", {}, {0, 1, 2, 3, 4}},
        {"收: direction 1 only", {.direction = Direction::Income}, {1, 4}},
        {"支: every other direction, as the lists show them",
         {.direction = Direction::Expense},
         {0, 2, 3}},
        {"an item exactly", {.item = food}, {0, 2}},
        {"an item named 全部 cannot be singled out", {.item = all}, {0, 1, 2, 3, 4}},
        {"a member named 全部 cannot be singled out", {.member = all}, {0, 1, 2, 3, 4}},
        {"a member", {.member = dad}, {1, 2}},
        {"the note, letters in any case", {.note = "abc"}, {0, 2, 4}},
        {"all at once",
         {.direction = Direction::Expense, .item = food, .member = dad, .note = "ABC"},
         {2}},
        {"an item nobody bears", {.item = gbk("旅游")}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(listed(entries, c.conditions), c.rows) << c.what;
}

TEST(RunQuery, TotalLabelFollowsTheDirectionWithExactSums) {
    struct Case {
        const char* what;
        std::vector<EntryValues> entries;
        std::optional<Direction> direction;
        std::string label;
    };
    const std::vector<EntryValues> none;
    const std::vector<EntryValues> expensesOnly = {
        {.direction = Direction::Expense, .amount = 30},
        {.direction = Direction::Expense, .amount = 12.345}};
    const std::vector<EntryValues> mixed = {{.direction = Direction::Expense, .amount = 130},
                                            {.direction = Direction::Income, .amount = 100}};
    const std::vector<EntryValues> tenths = {{.direction = Direction::Income, .amount = 0.1},
                                             {.direction = Direction::Income, .amount = 0.2},
                                             {.direction = Direction::Income, .amount = 0.3}};
    const std::vector<EntryValues> large = {{.direction = Direction::Income, .amount = 3000000.01},
                                            {.direction = Direction::Income, .amount = 2345678.91}};
    const std::vector<EntryValues> cancelling = {{.direction = Direction::Income, .amount = 30},
                                                 {.direction = Direction::Expense, .amount = 30}};
    const Case cases[] = {
        {"empty, 全部", none, std::nullopt, gbk("当前累计：0元")},
        {"empty, 收", none, Direction::Income, gbk("当前累计：0元（收入）")},
        {"empty, 支", none, Direction::Expense, gbk("当前累计：0元（支出）")},
        {"expenses only show their positive sum", expensesOnly, std::nullopt,
         gbk("当前累计：42.35元（支出）")},
        {"any income shows the balance, negative too", mixed, std::nullopt,
         gbk("当前累计：-30元（结余）")},
        {"收 shows the income", mixed, Direction::Income, gbk("当前累计：100元（收入）")},
        {"支 shows the expense", mixed, Direction::Expense, gbk("当前累计：130元（支出）")},
        {"0.1 + 0.2 + 0.3", tenths, Direction::Income, gbk("当前累计：0.6元（收入）")},
        {"no single-precision rounding", large, std::nullopt,
         gbk("当前累计：5345678.92元（结余）")},
        {"a balance of zero", cancelling, std::nullopt, gbk("当前累计：0元（结余）")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(report::runQuery(rowsOf(c.entries), {.direction = c.direction}).totalLabel,
                  c.label)
            << c.what;
    }
}

TEST(RunQuery, WithoutAnOpenLedgerListsNothing) {
    const report::QueryResult result = report::runQuery(nullptr, {});
    EXPECT_TRUE(result.matches.empty());
    EXPECT_EQ(result.totalLabel, gbk("当前累计：0元"));
}

TEST(QuickRange, SetsThePickersToTheTrueEndsOfMonthsAndYears) {
    auto day = [](int y, int m, int d) { return *dateFromCivil(y, m, d); };
    struct Case {
        const char* what;
        double now;
        report::QuickRange range;
        report::DateRange dates;
    };
    const double noon = day(2016, 3, 31) + 0.5;
    const Case cases[] = {
        {"今天 keeps the moment", noon, report::QuickRange::Today, {noon, noon}},
        {"昨天", noon, report::QuickRange::Yesterday, {noon - 1, noon - 1}},
        {"本月", noon, report::QuickRange::ThisMonth, {day(2016, 3, 1), day(2016, 3, 31)}},
        {"上月 of a leap year",
         noon,
         report::QuickRange::LastMonth,
         {day(2016, 2, 1), day(2016, 2, 29)}},
        {"上月 in 1900, no leap year",
         day(1900, 3, 10),
         report::QuickRange::LastMonth,
         {day(1900, 2, 1), day(1900, 2, 28)}},
        {"上月 in 2000, a leap year",
         day(2000, 3, 10),
         report::QuickRange::LastMonth,
         {day(2000, 2, 1), day(2000, 2, 29)}},
        {"上月 in January",
         day(2015, 1, 20),
         report::QuickRange::LastMonth,
         {day(2014, 12, 1), day(2014, 12, 31)}},
        {"本月 of 30 days",
         day(2015, 4, 2),
         report::QuickRange::ThisMonth,
         {day(2015, 4, 1), day(2015, 4, 30)}},
        {"本年", noon, report::QuickRange::ThisYear, {day(2016, 1, 1), day(2016, 12, 31)}},
        {"去年", noon, report::QuickRange::LastYear, {day(2015, 1, 1), day(2015, 12, 31)}},
    };
    for (const Case& c : cases) EXPECT_EQ(report::quickRange(c.range, c.now), c.dates) << c.what;
}

TEST(FilterChoices, OfferAllThenTheNamesInTheirOrder) {
    Settings settings;
    settings.incomeItems = {gbk("工资"), gbk("奖金")};
    settings.expenseItems = {gbk("餐饮")};
    settings.members = {gbk("爸爸"), gbk("妈妈")};
    const std::string all = gbk("全部");
    EXPECT_EQ(report::memberChoices(settings),
              (std::vector<std::string>{all, gbk("爸爸"), gbk("妈妈")}));
    EXPECT_EQ(report::itemChoices(settings, std::nullopt),
              (std::vector<std::string>{all, gbk("工资"), gbk("奖金"), gbk("餐饮")}));
    EXPECT_EQ(report::itemChoices(settings, Direction::Income),
              (std::vector<std::string>{all, gbk("工资"), gbk("奖金")}));
    EXPECT_EQ(report::itemChoices(settings, Direction::Expense),
              (std::vector<std::string>{all, gbk("餐饮")}));
}

}  // namespace
}  // namespace qinghe
