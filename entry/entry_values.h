#pragma once

#include <cstdint>
#include <string>

namespace qinghe {

// Which way an entry's money goes. The entry table keeps it in the integer
// field 方向, 1 for income and 2 for expense; every reader takes a stored value
// other than 1 for an expense.
enum class Direction : std::uint8_t { Income = 1, Expense = 2 };

inline Direction directionFromStored(std::int32_t stored) {
    return stored == 1 ? Direction::Income : Direction::Expense;
}
inline std::int32_t storedDirection(Direction direction) {
    return static_cast<std::int32_t>(direction);
}

// One entry's values as stored: texts are GBK.
struct EntryValues {
    double date = 0;
    Direction direction = Direction::Expense;
    std::string item;
    double amount = 0;
    std::string member;
    std::string note;
    bool hasVoucher = false;
    friend bool operator==(const EntryValues&, const EntryValues&) = default;
};

}  // namespace qinghe
