#include "store/value.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace qinghe::store {

bool isValidFieldType(std::int32_t code) {
    return code >= 1 && code <= 12;
}

std::int32_t fieldWidth(FieldType type, std::int32_t declaredWidth) {
    switch (type) {
        case FieldType::Byte:
        case FieldType::Bool:
            return 1;
        case FieldType::Short:
            return 2;
        case FieldType::Integer:
        case FieldType::Float:
        case FieldType::Routine:
        case FieldType::ByteSet:
        case FieldType::LongText:
            return 4;
        case FieldType::Long:
        case FieldType::Double:
        case FieldType::DateTime:
            return 8;
        case FieldType::Text:
            return declaredWidth;
    }
    return 0;
}

Value emptyValue(FieldType type) {
    switch (type) {
        case FieldType::Byte:
            return std::uint8_t{0};
        case FieldType::Short:
            return std::int16_t{0};
        case FieldType::Integer:
            return std::int32_t{0};
        case FieldType::Long:
            return std::int64_t{0};
        case FieldType::Float:
            return 0.0f;
        case FieldType::Double:
            return 0.0;
        case FieldType::Bool:
            return false;
        case FieldType::DateTime:
            return DateTime{};
        case FieldType::Routine:
            return RoutineRef{};
        case FieldType::Text:
        case FieldType::LongText:
            return std::string{};
        case FieldType::ByteSet:
            return Bytes{};
    }
    return std::string{};
}

namespace {

std::int64_t truncateToInteger(double x) {
    if (std::isnan(x)) return 0;
    constexpr double kMax = 9.2233720368547748e18;
    if (x >= kMax) return std::numeric_limits<std::int64_t>::max();
    if (x <= -kMax) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(x);
}

}  // namespace

std::int64_t toInteger(const Value& value) {
    return std::visit(
        [](const auto& v) -> std::int64_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? 1 : 0;
            } else if constexpr (std::is_integral_v<T>) {
                return static_cast<std::int64_t>(v);
            } else if constexpr (std::is_floating_point_v<T>) {
                return truncateToInteger(v);
            } else {
                return 0;
            }
        },
        value);
}

double toDouble(const Value& value) {
    return std::visit(
        [](const auto& v) -> double {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>) {
                return v ? 1.0 : 0.0;
            } else if constexpr (std::is_arithmetic_v<T>) {
                return static_cast<double>(v);
            } else if constexpr (std::is_same_v<T, DateTime>) {
                return v.days;
            } else {
                return 0.0;
            }
        },
        value);
}

double toDate(const Value& value) {
    if (const auto* date = std::get_if<DateTime>(&value)) return date->days;
    return toDouble(value);
}

bool toBool(const Value& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    return toInteger(value) != 0;
}

std::string toText(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return {};
}

std::string toBytes(const Value& value) {
    if (const auto* bytes = std::get_if<Bytes>(&value)) return bytes->bytes;
    return {};
}

}  // namespace qinghe::store
