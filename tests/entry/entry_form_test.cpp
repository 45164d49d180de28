#include "entry/entry_form.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "common/ole_date.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

using entry::amountFromText;
using testing::gbk;

TEST(EntryFormTest, AnAmountIsTakenExactlyAsTypedOrRefused) {
    const struct {
        std::string typed;
        std::optional<double> amount;
    } cases[] = {
        {"12.345", 12.345},  // never rounded to the cents the lists show
        {"12", 12},
        {"0.1", 0.1},
        {".5", 0.5},
        {"5.", 5},
        {"-3.25", -3.25},
        {"+7", 7},
        {"-0", 0},
        {" 42 ", 42},
        {gbk("１２．５"), 12.5},  // full-width, as an input method types it
        {"1000000000000", 1e12},
        {"-1000000000000", -1e12},
        {"1000000000000.01", std::nullopt},  // absurd
        {"99999999999999999999", std::nullopt},
        {"1e3", std::nullopt},
        {"12abc", std::nullopt},
        {"1.2.3", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {"", std::nullopt},
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"1,000", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::optional<double> amount = amountFromText(c.typed);
        ASSERT_EQ(amount.has_value(), c.amount.has_value());
        if (amount) {
            EXPECT_EQ(*amount, *c.amount);
            EXPECT_FALSE(std::signbit(*amount) && *amount == 0);
        }
    }
}

TEST(EntryFormTest, TheDaySpinAndThePickerKeepTheTimeOfDay) {
    const double noon = 42136.5;  // 2015-05-12 12:00
    EXPECT_EQ(entry::moveByDays(noon, 1), 42137.5);
    EXPECT_EQ(entry::moveByDays(noon, -1), 42135.5);
    EXPECT_EQ(entry::dayOf(noon), 42136);
    EXPECT_EQ(entry::onDay(noon, 42000), 42000.5);
    // Before 1899-12-30 the time still counts forward from midnight.
    EXPECT_EQ(entry::moveByDays(0.25, -2), -2.25);
    EXPECT_EQ(entry::moveByDays(-2.25, 2), 0.25);
    EXPECT_EQ(entry::dayOf(-2.25), -2);
    // Never past the dates the program handles.
    EXPECT_EQ(entry::moveByDays(kLatestDate, 1), kLatestDate);
    EXPECT_EQ(entry::moveByDays(kEarliestDate, -1), kEarliestDate);
    EXPECT_EQ(dateToText(entry::moveByDays(*dateFromCivil(2016, 2, 28), 1)), "2016-02-29");
}

TEST(EntryFormTest, ANameBoxSelectsTheLastPlaceOfItsNameOrShowsItTyped) {
    const std::vector<std::string> names = {gbk("餐饮"), gbk("交通"), gbk("餐饮")};
    const struct {
        const char* name;
        int selected;
    } cases[] = {
        {"餐饮", 2},
        {"交通", 1},
        {"房租", -1},  // not among them: shown as typed
        {"", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const entry::NameBox box = entry::nameBoxShowing(names, gbk(c.name));
        EXPECT_EQ(box.selected, c.selected);
        EXPECT_EQ(box.text, gbk(c.name));
        EXPECT_EQ(box.choices, names);
    }
    EXPECT_TRUE(entry::hasLineBreak("a\nb"));
    EXPECT_TRUE(entry::hasLineBreak("a\r"));
    EXPECT_FALSE(entry::hasLineBreak(gbk("餐饮 午饭")));
}

}  // namespace
}  // namespace qinghe
