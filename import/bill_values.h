#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "import/bill_table.h"

namespace qinghe::import {

// An amount of a bill as exact decimal text: the digits as written, so that
// the stored double is the one the add window makes of the same text, and
// refunds are taken away without any rounding.
struct Money {
    bool negative = false;
    std::string digits;  // plain decimal text without sign: "12.50", "3"

    // The amount as the add window stores it (always finite, at most 1e12).
    double value() const;
    bool isZero() const;
    friend bool operator==(const Money&, const Money&) = default;
};

// An amount cell: an optional sign, a currency sign ("¥", "￥", "元"), digit
// groups with commas ("1,234.50"), white space; a sheet's number may also be
// in exponent form. Nothing when it is anything else, not finite, or larger
// than 1e12 (the add window's limit).
std::optional<Money> parseMoney(const Cell& cell);

// a - b, exactly (both without sign); nothing when b > a.
std::optional<Money> subtractMoney(const Money& a, const Money& b);
// a + b, exactly (both without sign).
Money addMoney(const Money& a, const Money& b);
// Whether a >= b (both without sign).
bool moneyAtLeast(const Money& a, const Money& b);

// A date or a date and time as the apps and banks write them: 2024-01-05,
// 2024/1/5, 2024.01.05, 2024年1月5日, 20240105, each optionally followed by
// a time 12:30 or 12:30:45 (also after "T"); a sheet's number is a serial date.
// `time` (optional) is a separate time column: 12:30:45, 123045 or 1230.
std::optional<double> parseBillDateTime(const Cell& date, const Cell* time = nullptr);

}  // namespace qinghe::import
