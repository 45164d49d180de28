#include "common/money_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "common/exact_sum.h"

namespace qinghe {

namespace {

constexpr int kSignificantDigits = 15;
// Below this magnitude the cents of a value fit a double exactly.
constexpr double kCentsExact = 1e13;

std::int64_t powerOfTen(int exponent) {
    std::int64_t power = 1;
    while (exponent-- > 0) power *= 10;
    return power;
}

}  // namespace

double roundMoney(double exact) {
    if (!std::isfinite(exact) || std::fabs(exact) >= kCentsExact) return round(exact, 2);
    if (exact == 0) return 0.0;
    // Most values are far from a half cent: the binary remainder cannot
    // decide their cent (it is below |x|·10^-15, far under the margin), and
    // they round without the decimal digits.
    const double scaled = std::fabs(exact) * 100;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) > std::max(scaled * 1e-13, 1e-9)) {
        const double cents = fraction > 0.5 ? whole + 1 : whole;
        if (cents == 0) return 0.0;
        return exact < 0 ? -cents / 100 : cents / 100;
    }
    // d.dddddddddddddde±x: the value as 15 significant digits.
    char text[40];
    const auto written = std::to_chars(text, text + sizeof text, std::fabs(exact),
                                       std::chars_format::scientific, kSignificantDigits - 1);
    const char* cursor = text;
    std::int64_t digits = 0;
    for (; cursor < written.ptr && *cursor != 'e'; ++cursor) {
        if (*cursor != '.') digits = digits * 10 + (*cursor - '0');
    }
    int exponent = 0;
    if (cursor < written.ptr)
        std::from_chars(cursor + 1 + (cursor[1] == '+'), written.ptr, exponent);
    // value = digits * 10^(exponent - 14), so cents = digits * 10^(exponent - 12).
    const int shift = exponent - (kSignificantDigits - 3);
    std::int64_t cents = 0;
    if (shift >= 0) {
        cents = digits * powerOfTen(shift);
    } else if (-shift <= kSignificantDigits) {
        const std::int64_t unit = powerOfTen(-shift);
        cents = digits / unit;
        if ((digits % unit) * 2 >= unit) ++cents;
    }
    if (cents == 0) return 0.0;
    const double rounded = static_cast<double>(cents) / 100.0;
    return exact < 0 ? -rounded : rounded;
}

std::string moneyText(double amount) {
    return numberToText(roundMoney(amount));
}

double exactTotal(std::initializer_list<double> parts) {
    ExactSum sum;
    for (const double part : parts) sum.add(part);
    return sum.value();
}

}  // namespace qinghe
