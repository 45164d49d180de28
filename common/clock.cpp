#include "common/clock.h"

#include <cmath>
#include <ctime>

#include "common/ole_date.h"

namespace qinghe {

double Clock::today() const {
    // The integer part is the day on both sides of day 0.
    return std::trunc(now());
}

double SystemClock::now() const {
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return kEarliestDate;
    return dateTimeFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec < 60 ? local.tm_sec : 59)
        .value_or(kEarliestDate);
}

}  // namespace qinghe
