#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/number_text.h"

namespace {

TEST(NumberToText, ThirteenSignificantDigitsWithoutTrailingZeros) {
    const std::vector<std::pair<double, std::string>> cases = {
        {12.5, "12.5"},
        {100.0, "100"},
        {0.3, "0.3"},
        {0.1 + 0.2, "0.3"},  // 0.30000000000000004 at 17 digits
        {-7.25, "-7.25"},
        {-0.0, "0"},
        {1234567890123.0, "1234567890123"},
        {12345678901234.0, "1.234567890123e+13"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {2345678.25, "2345678.25"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(qinghe::numberToText(value), text) << value;
}

TEST(NumberToText, FloatAndShortestForms) {
    EXPECT_EQ(qinghe::floatToText(2345678.25f), "2.34568e+06");
    EXPECT_EQ(qinghe::floatToText(12.5f), "12.5");
    EXPECT_EQ(qinghe::floatToText(0.1f), "0.1");  // not the float's 0.100000001490116
    EXPECT_EQ(qinghe::floatToText(-0.0f), "0");

    EXPECT_EQ(qinghe::shortestNumberText(2345678.25), "2345678.25");
    EXPECT_EQ(qinghe::shortestNumberText(0.1), "0.1");
    EXPECT_EQ(qinghe::shortestNumberText(-0.0), "0");
    for (const double value : {0.1 + 0.2, 1.0 / 3.0, 123456789.123456789, -5e-324, 1.7e308}) {
        EXPECT_EQ(qinghe::textToNumber(qinghe::shortestNumberText(value)), value) << value;
    }

    EXPECT_EQ(qinghe::integerToText(0), "0");
    EXPECT_EQ(qinghe::integerToText(-42), "-42");
    EXPECT_EQ(qinghe::integerToText(INT64_MIN), "-9223372036854775808");
}

// The GUI takes LC_NUMERIC from the user; a comma locale must not leak into stored text.
TEST(NumberToText, IgnoresCommaLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    bool found = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = true;
            break;
        }
    }
    if (!found) GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(qinghe::numberToText(12.5), "12.5");
    EXPECT_EQ(qinghe::floatToText(12.5f), "12.5");
    EXPECT_EQ(qinghe::textToNumber("12.5"), 12.5);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(MapFullWidth, MapsWholeCharactersOnly) {
    // １２．５ and the ideographic space
    EXPECT_EQ(qinghe::mapFullWidth("\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5"), "12.5");
    EXPECT_EQ(qinghe::mapFullWidth("\xA1\xA1"
                                   "a"),
              " a");
    // 0xA3 as the trail byte of 0xB0A3 (埃) followed by 0xB1: must stay 埃 + the next byte.
    EXPECT_EQ(qinghe::mapFullWidth("\xB0\xA3\xB1\xB2"), "\xB0\xA3\xB1\xB2");
    // 0xA3A0 and 0xA3FF would map outside printable ASCII.
    EXPECT_EQ(qinghe::mapFullWidth("\xA3\xA0\xA3\xFF"), "\xA3\xA0\xA3\xFF");
    // A lone lead byte at the end stays.
    EXPECT_EQ(qinghe::mapFullWidth("1\xA3"), "1\xA3");
}

struct IntegerCase {
    std::string text;
    std::int32_t expected;
};

TEST(TextToInteger, LeadingDecimalInteger) {
    const std::vector<IntegerCase> cases = {
        {"42", 42},
        {"  -17abc", -17},
        {"+8", 8},
        {"\xA3\xAD\xA3\xB3", -3},          // －３
        {"\xA1\xA1\xA3\xB7\xA3\xB0", 70},  // ideographic space, ７０
        {"3.9", 3},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999999999999", -2147483647 - 1},
    };
    for (const IntegerCase& c : cases)
        EXPECT_EQ(qinghe::textToInteger(c.text), c.expected) << c.text;
}

struct NumberCase {
    std::string text;
    double expected;
};

TEST(TextToNumber, LongestLeadingDecimalNumber) {
    const std::vector<NumberCase> cases = {
        {"12.5", 12.5},
        {"\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5", 12.5},  // １２．５
        {"\xA3\xAD\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5", -12.5},
        {"\xA3\xAB\xA3\xB3", 3.0},
        {" \t-0.25yuan", -0.25},
        {"1e3", 1000.0},
        {"\xA3\xB1\xA3\xE5\xA3\xB2", 100.0},  // １ｅ２
        {"1e", 1.0},
        {"1e+", 1.0},
        {"2E-2x", 0.02},
        {".5", 0.5},
        {"5.", 5.0},
        {"1.2.3", 1.2},
        {".", 0.0},
        {"-.e1", 0.0},
        {"abc", 0.0},
        {"", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"0x10", 0.0},
        {"1e400", std::numeric_limits<double>::infinity()},
        {"-1e400", -std::numeric_limits<double>::infinity()},
        {"0.000001e-400", 0.0},
        {"123456789012345678901234567890e-400", 0.0},
        {"0.0000000000000000000000001e330", 1e305},
    };
    for (const NumberCase& c : cases) EXPECT_EQ(qinghe::textToNumber(c.text), c.expected) << c.text;
    // Embedded NUL ends the number like any other byte.
    EXPECT_EQ(qinghe::textToNumber(std::string("7\0"
                                               "8",
                                               3)),
              7.0);
}

}  // namespace
