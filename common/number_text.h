#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qinghe {

// Half away from zero, with the 1e-12 nudge that makes 2.675 round to 2.68:
// a = |x|·10^n + 1e-12, i = integer part, i+1 when the fraction >= 0.5.
double round(double x, int n);

std::string integerToText(std::int64_t value);
// At most 13 significant digits, no trailing zeros ("%.13g"): 12.5, 100, 0.3.
std::string numberToText(double value);
// "%.6g", the form single-precision values take in INI files.
std::string floatToText(float value);
// The shortest text that reads back as exactly the same double (money in INI files).
std::string shortestNumberText(double value);

// Full-width characters of the GBK row with lead byte 0xA3 become their ASCII
// equivalents (trail byte - 0x80), the ideographic space 0xA1A1 a space.
std::string mapFullWidth(std::string_view gbk);
// Leading decimal integer after the full-width mapping (optional white space and
// sign, then digits); no digits give 0, values beyond 32 bits saturate.
std::int32_t textToInteger(std::string_view gbk);
// Longest leading decimal number after the full-width mapping; none gives 0.
// Beyond the double range it gives infinity, below it zero (as strtod).
double textToNumber(std::string_view gbk);

}  // namespace qinghe
