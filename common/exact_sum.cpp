#include "common/exact_sum.h"

#include <cmath>
#include <cstddef>

namespace qinghe {

void ExactSum::add(double amount) {
    // Non-finite amounts never reach a total: they are refused where typed.
    if (!std::isfinite(amount)) return;
    double x = amount;
    std::size_t kept = 0;
    for (double y : partials_) {
        if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
        const double high = x + y;
        const double low = y - (high - x);
        if (low != 0.0) partials_[kept++] = low;
        x = high;
    }
    partials_.resize(kept);
    partials_.push_back(x);
}

double ExactSum::value() const {
    if (partials_.empty()) return 0.0;
    // Summed from the largest part down, with the half-way case of the last
    // step rounded as the exact sum says.
    std::size_t n = partials_.size();
    double high = partials_[--n];
    double low = 0.0;
    while (n > 0) {
        const double x = high;
        const double y = partials_[--n];
        high = x + y;
        const double yr = high - x;
        low = y - yr;
        if (low != 0.0) break;
    }
    if (n > 0 && ((low < 0.0 && partials_[n - 1] < 0.0) || (low > 0.0 && partials_[n - 1] > 0.0))) {
        const double y = low * 2.0;
        const double x = high + y;
        if (y == x - high) high = x;
    }
    return high;
}

}  // namespace qinghe
