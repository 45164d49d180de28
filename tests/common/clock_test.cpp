#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "common/clock.h"
#include "common/ole_date.h"

namespace {

TEST(Clock, TodayDropsTheTimeOfDay) {
    qinghe::FixedClock clock(42136.75);
    EXPECT_EQ(clock.today(), 42136.0);
    // Before day 0 the date is the integer part: -1.25 is 1899-12-29 06:00.
    clock.set(-1.25);
    EXPECT_EQ(clock.today(), -1.0);
    clock.set(-0.5);
    EXPECT_EQ(clock.today(), 0.0);
}

std::string localDateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

TEST(Clock, SystemClockIsTheLocalDate) {
    const std::string before = localDateText();
    const qinghe::SystemClock clock;
    const double now = clock.now();
    const std::string after = localDateText();
    const std::string shown = qinghe::dateToText(now);
    // Midnight may pass between the readings.
    EXPECT_TRUE(shown == before || shown == after) << shown;
    EXPECT_EQ(qinghe::dateToText(clock.today()), shown);
    EXPECT_GE(now - clock.today(), 0.0);
    EXPECT_LT(now - clock.today(), 1.0);
}

}  // namespace
