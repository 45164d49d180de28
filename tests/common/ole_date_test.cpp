#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/ole_date.h"

namespace {

using qinghe::CivilDate;

int lastDayOfMonth(int year, int month) {
    if (month == 2) return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

struct DayCase {
    double day;
    CivilDate civil;
    std::string text;
};

TEST(OleDate, KnownDays) {
    const std::vector<DayCase> cases = {
        {0, {1899, 12, 30}, "1899-12-30"},    {1, {1899, 12, 31}, "1899-12-31"},
        {-1, {1899, 12, 29}, "1899-12-29"},   {2, {1900, 1, 1}, "1900-01-01"},
        {61, {1900, 3, 1}, "1900-03-01"},  // 1900 is no leap year
        {42136, {2015, 5, 12}, "2015-05-12"}, {36585, {2000, 2, 29}, "2000-02-29"},
        {-657434, {100, 1, 1}, "100-01-01"},  {2958465, {9999, 12, 31}, "9999-12-31"},
    };
    for (const DayCase& c : cases) {
        EXPECT_EQ(qinghe::civilFromDate(c.day), c.civil) << c.day;
        EXPECT_EQ(qinghe::dateToText(c.day), c.text) << c.day;
        EXPECT_EQ(qinghe::dateFromCivil(c.civil.year, c.civil.month, c.civil.day), c.day);
        EXPECT_EQ(qinghe::textToDate(c.text), c.day) << c.text;
    }
}

TEST(OleDate, TimeOfDayIsNeverShown) {
    const std::vector<std::pair<double, std::string>> cases = {
        {42136.999, "2015-05-12"}, {42136.5, "2015-05-12"},    {0.75, "1899-12-30"},
        {-0.5, "1899-12-30"},   // day 0, noon: the integer part is the day
        {-1.25, "1899-12-29"},  // 1899-12-29 06:00
        {-1.99, "1899-12-29"},     {2958465.99, "9999-12-31"}, {-657434.5, "100-01-01"},
    };
    for (const auto& [day, text] : cases) EXPECT_EQ(qinghe::dateToText(day), text) << day;
}

TEST(OleDate, OutOfRangeIsClamped) {
    EXPECT_EQ(qinghe::dateToText(-1e9), "100-01-01");
    EXPECT_EQ(qinghe::dateToText(1e9), "9999-12-31");
    EXPECT_EQ(qinghe::dateToText(std::numeric_limits<double>::infinity()), "9999-12-31");
    EXPECT_EQ(qinghe::dateToText(std::nan("")), "100-01-01");
    EXPECT_EQ(qinghe::clampDate(42136.5), 42136.5);
}

TEST(OleDate, Separator) {
    EXPECT_EQ(qinghe::dateToText(42136, "/"), "2015/05/12");
    EXPECT_EQ(qinghe::dateToText(42136, ""), "20150512");
    EXPECT_EQ(qinghe::dateToText(42136, "\xC4\xEA"),
              "2015\xC4\xEA"
              "05\xC4\xEA"
              "12");
}

TEST(OleDate, InvalidCivilDates) {
    EXPECT_FALSE(qinghe::dateFromCivil(2015, 2, 29));
    EXPECT_TRUE(qinghe::dateFromCivil(2016, 2, 29));
    EXPECT_FALSE(qinghe::dateFromCivil(1900, 2, 29));
    EXPECT_FALSE(qinghe::dateFromCivil(2015, 4, 31));
    EXPECT_FALSE(qinghe::dateFromCivil(2015, 0, 1));
    EXPECT_FALSE(qinghe::dateFromCivil(2015, 1, 0));
    EXPECT_FALSE(qinghe::dateFromCivil(99, 12, 31));
    EXPECT_FALSE(qinghe::dateFromCivil(10000, 1, 1));
    EXPECT_FALSE(qinghe::dateTimeFromCivil(2015, 5, 12, 24, 0, 0));
    EXPECT_FALSE(qinghe::dateTimeFromCivil(2015, 5, 12, 0, 60, 0));
    EXPECT_FALSE(qinghe::dateTimeFromCivil(2015, 5, 12, 0, 0, 60));
    EXPECT_FALSE(qinghe::dateTimeFromCivil(2015, 5, 12, 0, 0, std::nan("")));
}

TEST(OleDate, TimeFractions) {
    EXPECT_EQ(qinghe::dateTimeFromCivil(2015, 5, 12, 12, 0, 0), 42136.5);
    EXPECT_EQ(qinghe::dateTimeFromCivil(2015, 5, 12, 6, 0, 0), 42136.25);
    EXPECT_EQ(qinghe::dateTimeFromCivil(1899, 12, 30, 18, 0, 0), 0.75);
    // Before day 0 the fraction counts away from zero.
    EXPECT_EQ(qinghe::dateTimeFromCivil(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_EQ(qinghe::dateTimeFromCivil(1899, 12, 28, 12, 0, 0), -2.5);
}

struct ParseCase {
    std::string text;
    double expected;
};

TEST(TextToDate, AcceptedForms) {
    const std::vector<ParseCase> cases = {
        {"2015-05-12", 42136},
        {"2015/05/12", 42136},
        {"2015.05.12", 42136},
        {"2015-5-2", 42126},
        {"  2015-05-12\t\r\n", 42136},
        {"2015-05-12 12:00", 42136.5},
        {"2015-05-12T06:00:00", 42136.25},
        {"2015-05-12 6:00", 42136.25},
        {"2015-05-12  18:00:00", 42136.75},
        {"1899-12-29 06:00", -1.25},
        {"1899-12-30 12:00", 0.5},
        {"100-01-01", -657434},
        {"0100-01-01", -657434},
        {"9999-12-31", 2958465},
    };
    for (const ParseCase& c : cases) EXPECT_EQ(qinghe::textToDate(c.text), c.expected) << c.text;
    EXPECT_NEAR(qinghe::textToDate("2015-05-12 23:59:59") - 42136, 86399.0 / 86400.0, 1e-9);
}

TEST(TextToDate, AnythingElseIsTheEarliestDate) {
    for (const char* text : {
             "",
             "   ",
             "garbage",
             "2015-02-30",
             "2015-13-01",
             "2015-00-10",
             "0-01-01",
             "10000-01-01",
             "99-12-31",
             "2015-05",
             "2015-05-",
             "2015-05/12",  // mixed separators
             "2015_05_12",
             "2015-005-12",  // three-digit month
             "2015-05-123",
             "2015-05-12x",
             "2015-05-12 12",
             "2015-05-12 12:",
             "2015-05-12 12:5",
             "2015-05-12 24:00",
             "2015-05-12 12:60",
             "2015-05-12 12:00:60",
             "2015-05-12 12:00:00 x",
             "2015-05-12T",
             "-2015-05-12",
             "+2015-05-12",
         }) {
        EXPECT_EQ(qinghe::textToDate(text), qinghe::kEarliestDate) << '"' << text << '"';
    }
    EXPECT_EQ(qinghe::textToDate(std::string("2015-05-12\0", 11)), qinghe::kEarliestDate);
}

TEST(OleDate, RoundTripOverTheWholeRange) {
    // Every day near day 0 and the range ends, and a stride across the whole range, so
    // that every month length, leap rule and era boundary is met.
    std::vector<double> days;
    for (double d = -1000; d <= 1000; ++d) days.push_back(d);
    for (double d = qinghe::kEarliestDate; d < qinghe::kEarliestDate + 800; ++d) days.push_back(d);
    for (double d = qinghe::kLatestDate - 800; d <= qinghe::kLatestDate; ++d) days.push_back(d);
    for (double d = qinghe::kEarliestDate; d <= qinghe::kLatestDate; d += 7) days.push_back(d);

    CivilDate previous = qinghe::civilFromDate(days.front() - 1);
    double previousDay = days.front() - 1;
    for (const double day : days) {
        const std::string text = qinghe::dateToText(day);
        ASSERT_EQ(qinghe::textToDate(text), day) << text;
        const CivilDate civil = qinghe::civilFromDate(day);
        // Consecutive days advance the calendar by exactly one day.
        if (day == previousDay + 1) {
            const bool nextDay = civil.year == previous.year && civil.month == previous.month &&
                                 civil.day == previous.day + 1;
            const bool monthEnded = previous.day == lastDayOfMonth(previous.year, previous.month);
            const bool nextMonth =
                civil.day == 1 && monthEnded &&
                ((civil.year == previous.year && civil.month == previous.month + 1) ||
                 (civil.year == previous.year + 1 && civil.month == 1 && previous.month == 12));
            ASSERT_TRUE(nextDay || nextMonth) << text;
        }
        previous = civil;
        previousDay = day;
    }
}

}  // namespace
