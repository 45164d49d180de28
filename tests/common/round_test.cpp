#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

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

}  // namespace
