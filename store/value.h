#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace qinghe::store {

enum class FieldType : std::int32_t {
    Byte = 1,
    Short = 2,
    Integer = 3,
    Long = 4,
    Float = 5,
    Double = 6,
    Bool = 7,
    DateTime = 8,
    Routine = 9,
    Text = 10,
    ByteSet = 11,
    LongText = 12,
};

bool isValidFieldType(std::int32_t code);
// Bytes a field of this type takes in a record (text: its declared width).
std::int32_t fieldWidth(FieldType type, std::int32_t declaredWidth);
// Byte sets and long texts keep their value in the companion file.
inline bool usesCompanion(FieldType type) {
    return type == FieldType::ByteSet || type == FieldType::LongText;
}

// Distinct value types, so that a date-time is not a double, nor a byte set a text.
struct DateTime {
    double days = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};
struct Bytes {
    std::string bytes;
    friend bool operator==(const Bytes&, const Bytes&) = default;
};
struct RoutineRef {
    std::uint32_t value = 0;
    friend bool operator==(const RoutineRef&, const RoutineRef&) = default;
};

// A field value as read and written. Text is GBK bytes.
using Value = std::variant<std::uint8_t, std::int16_t, std::int32_t, std::int64_t, float, double,
                           bool, DateTime, RoutineRef, std::string, Bytes>;

// The empty value of a field type: zero, false, day 0, empty text or byte set.
Value emptyValue(FieldType type);

// Caller-side conversions of what was read: numbers are taken as they are,
// floating values truncated toward zero; anything else gives 0 / empty.
std::int64_t toInteger(const Value& value);
double toDouble(const Value& value);
double toDate(const Value& value);
bool toBool(const Value& value);
std::string toText(const Value& value);
std::string toBytes(const Value& value);

}  // namespace qinghe::store
