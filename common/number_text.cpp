#include "common/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace qinghe {

namespace {

// std::to_chars is used throughout because printf follows LC_NUMERIC, which the GUI
// sets from the user's locale ("12,5" in a German session).
template <typename T, typename... Format>
std::string toText(T value, Format... format) {
    // A negative zero (round(-0.001, 2), for example) is shown as plain zero.
    if (value == 0) value = 0;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format...);
    return std::string(buffer, result.ptr);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr unsigned char kFullWidthLead = 0xA3;
constexpr unsigned char kIdeographicSpaceByte = 0xA1;

// Skips white space and reads an optional sign; returns whether it was a minus.
bool skipSpaceAndSign(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) return text[pos++] == '-';
    return false;
}

std::size_t skipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isDigit(text[pos])) ++pos;
    return pos;
}

// The decimal exponent of the first significant digit of a number that from_chars
// found out of range: positive means it overflowed, otherwise it underflowed.
long long magnitude(std::string_view mantissa, long long exponent) {
    const std::size_t point = mantissa.find('.');
    const std::size_t integerDigits = point == std::string_view::npos ? mantissa.size() : point;
    for (std::size_t i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] < '1' || mantissa[i] > '9') continue;
        const auto position = static_cast<long long>(i);
        const auto integers = static_cast<long long>(integerDigits);
        return exponent + (i < integerDigits ? integers - position - 1 : integers - position);
    }
    return 0;
}

}  // namespace

double round(double x, int n) {
    const double scale = std::pow(10.0, n);
    const double a = std::fabs(x) * scale + 0.000000000001;
    // So large that it holds no fraction at this scale (or infinite or NaN): nothing to round.
    if (!std::isfinite(a)) return x;
    const double integer = std::floor(a);
    const double rounded = (a - integer >= 0.5 ? integer + 1 : integer) / scale;
    return std::signbit(x) ? -rounded : rounded;
}

std::string integerToText(std::int64_t value) {
    return toText(value);
}

std::string numberToText(double value) {
    return toText(value, std::chars_format::general, 13);
}

std::string floatToText(float value) {
    return toText(value, std::chars_format::general, 6);
}

std::string shortestNumberText(double value) {
    return toText(value);
}

std::string mapFullWidth(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size();) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        // Only whole double-byte characters are looked at, so a trail byte of 0xA3 stays.
        if (lead < 0x81 || lead > 0xFE || i + 1 >= gbk.size()) {
            out += gbk[i++];
            continue;
        }
        const auto trail = static_cast<unsigned char>(gbk[i + 1]);
        const int ascii = trail - 0x80;
        if (lead == kFullWidthLead && ascii >= 0x21 && ascii <= 0x7E) {
            out += static_cast<char>(ascii);
        } else if (lead == kIdeographicSpaceByte && trail == kIdeographicSpaceByte) {
            out += ' ';
        } else {
            out.append(gbk.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

std::int32_t textToInteger(std::string_view gbk) {
    const std::string text = mapFullWidth(gbk);
    std::size_t pos = 0;
    const bool negative = skipSpaceAndSign(text, pos);
    // Accumulate towards the sign so that INT32_MIN itself is reachable.
    std::int64_t value = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        const int digit = text[pos] - '0';
        value = negative ? std::max(value * 10 - digit, kMin) : std::min(value * 10 + digit, kMax);
    }
    return static_cast<std::int32_t>(value);
}

double textToNumber(std::string_view gbk) {
    const std::string text = mapFullWidth(gbk);
    std::size_t pos = 0;
    const bool negative = skipSpaceAndSign(text, pos);

    const std::size_t start = pos;
    std::size_t end = skipDigits(text, pos);
    bool anyDigit = end > start;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = skipDigits(text, end + 1);
        anyDigit = anyDigit || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!anyDigit) return 0.0;
    const std::string_view mantissa(text.data() + start, end - start);

    // The exponent counts only when digits follow "e" and its sign.
    long long exponent = 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponentPos = end + 1;
        bool minus = false;
        if (exponentPos < text.size() && (text[exponentPos] == '+' || text[exponentPos] == '-')) {
            minus = text[exponentPos++] == '-';
        }
        const std::size_t exponentEnd = skipDigits(text, exponentPos);
        if (exponentEnd > exponentPos) {
            // Only its size matters past the double range, so it is capped early.
            for (std::size_t i = exponentPos; i < exponentEnd && exponent < 100000; ++i) {
                exponent = exponent * 10 + (text[i] - '0');
            }
            if (minus) exponent = -exponent;
            end = exponentEnd;
        }
    }

    double value = 0.0;
    const auto result =
        std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // As strtod: too large gives infinity, too small zero.
        value = magnitude(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace qinghe
