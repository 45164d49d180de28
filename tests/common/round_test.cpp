#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <vector>

#include "common/money_text.h"
#include "common/number_text.h"

namespace {

struct RoundCase {
    double x;
    int n;
    double expected;
};

TEST(Round, HalfAwayFromZeroWithNudge) {
    const std::vector<RoundCase> cases = {
        {2.675, 2, 2.68},    // 267.49999999999997 without the nudge
        {1.005, 2, 1.01},    // 100.49999999999999 without the nudge
        {-2.675, 2, -2.68},  // the sign is restored after rounding the magnitude
        {-1.005, 2, -1.01}, {0.125, 2, 0.13},
        {-0.125, 2, -0.13}, {1.234, 2, 1.23},
        {-1.234, 2, -1.23}, {2.5, 0, 3.0},
        {-2.5, 0, -3.0},    {3.5, 0, 4.0},  // not to even
        {0.4999, 0, 0.0},   {1234567.125, 2, 1234567.13},
        {12.5, 1, 12.5},    {0.0, 2, 0.0},
    };
    for (const RoundCase& c : cases) {
        EXPECT_EQ(qinghe::round(c.x, c.n), c.expected) << c.x << " to " << c.n;
    }
}

TEST(Round, SmallNegativeBecomesZero) {
    const double r = qinghe::round(-0.001, 2);
    EXPECT_EQ(r, 0.0);
    // The text form must not show the sign the rounding leaves behind.
    EXPECT_EQ(qinghe::numberToText(r), "0");
}

TEST(Round, HugeAndNonFiniteValuesPassThrough) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(qinghe::round(1e307, 2), 1e307);
    EXPECT_EQ(qinghe::round(-1e307, 2), -1e307);
    EXPECT_EQ(qinghe::round(inf, 2), inf);
    EXPECT_TRUE(std::isnan(qinghe::round(std::nan(""), 2)));
}

// Every money figure shown: cents, half away from zero, decided by the
// decimal value a total of typed amounts stands for, never by its binary
// remainder.
TEST(RoundMoney, RoundsTheDecimalValueToCentsHalfAwayFromZero) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double exact;
        double shown;
    };
    const Case cases[] = {
        {18028.254999999997, 18028.26},  // 18028.255 summed in doubles
        {-18028.254999999997, -18028.26},
        {21472.214999999997, 21472.22},
        {2.675, 2.68},
        {1.005, 1.01},
        {0.1 + 0.2, 0.3},
        {18028.2549, 18028.25},  // a real remainder below the half cent
        {0.004999, 0},
        {0.005, 0.01},
        {-0.001, 0},
        {1e-300, 0},
        {0, 0},
        {9876543.21, 9876543.21},
        {1234567.125, 1234567.13},
        {9999999999999.99, 9999999999999.99},
        {1e14 + 0.25, qinghe::round(1e14 + 0.25, 2)},  // no cents beyond 10^13
        {inf, inf},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qinghe::roundMoney(c.exact), c.shown) << std::setprecision(17) << c.exact;
        EXPECT_FALSE(std::signbit(qinghe::roundMoney(c.exact)) && c.shown == 0) << c.exact;
    }
    EXPECT_EQ(qinghe::moneyText(-0.001), "0");
    EXPECT_EQ(qinghe::moneyText(18028.254999999997), "18028.26");
    EXPECT_EQ(qinghe::moneyText(100.0), "100");
}

// Every amount of three decimals up to 2000, and the same near 10^9: half
// a cent always goes up, whichever side of it its double lies.
TEST(RoundMoney, RoundsEveryThirdDecimalHalfUp) {
    for (const std::int64_t base : {std::int64_t{0}, std::int64_t{1'000'000'000'000}}) {
        for (std::int64_t thousandths = 0; thousandths <= 2'000'000; ++thousandths) {
            const std::int64_t exactThousandths = base + thousandths;
            const double x = static_cast<double>(exactThousandths) / 1000;
            const double expected = static_cast<double>((exactThousandths + 5) / 10) / 100;
            ASSERT_EQ(qinghe::roundMoney(x), expected) << std::setprecision(17) << x;
            ASSERT_EQ(qinghe::roundMoney(-x), -expected) << std::setprecision(17) << -x;
        }
    }
}

TEST(ExactTotal, SubtractsWithoutADoubleRounding) {
    EXPECT_EQ(qinghe::exactTotal({0.1, 0.2, -0.3}),
              2.7755575615628914e-17);  // the doubles' own sum
    EXPECT_EQ(qinghe::exactTotal({1e16, 1, -1e16}), 1);
    EXPECT_EQ(qinghe::exactTotal({}), 0);
}

}  // namespace
