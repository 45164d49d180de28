#include "entry/ledger_rows.h"

#include <algorithm>
#include <limits>

namespace qinghe {

std::uint32_t LedgerRows::Names::intern(std::string_view name) {
    if (auto it = index_.find(name); it != index_.end()) return it->second;
    const auto index = static_cast<std::uint32_t>(names_.size());
    names_.emplace_back(name);
    index_.emplace(names_.back(), index);
    return index;
}

std::size_t LedgerRows::Names::bytes() const {
    std::size_t total = names_.size() * sizeof(std::string);
    for (const auto& name : names_) total += name.capacity();
    return total + index_.size() * (sizeof(std::string_view) + sizeof(std::uint32_t) + 16);
}

void LedgerRows::Names::clear() {
    index_.clear();
    names_.clear();
}

EntryValues LedgerRows::values(std::size_t row) const {
    return {date(row),      direction(row),           std::string(item(row)),
            amount(row),    std::string(member(row)), std::string(note(row)),
            hasVoucher(row)};
}

void LedgerRows::reserve(std::size_t rows) {
    dates_.reserve(rows);
    amounts_.reserve(rows);
    directions_.reserve(rows);
    itemOf_.reserve(rows);
    memberOf_.reserve(rows);
    noteAt_.reserve(rows);
    noteLength_.reserve(rows);
    vouchers_.reserve(rows);
}

void LedgerRows::count(std::size_t row, double sign) {
    (income(row) ? income_ : expense_).add(sign * amounts_[row]);
}

std::uint32_t LedgerRows::keepNote(std::string_view note) {
    if (notes_.size() + note.size() > std::numeric_limits<std::uint32_t>::max()) compactNotes();
    const auto at = static_cast<std::uint32_t>(notes_.size());
    notes_.append(note);
    return at;
}

void LedgerRows::append(double date, Direction direction, std::string_view item, double amount,
                        std::string_view member, std::string_view note, bool hasVoucher) {
    // A stored note is at most a field's width; a longer one would not fit
    // the length column.
    note = note.substr(0, std::numeric_limits<std::uint16_t>::max());
    dates_.push_back(date);
    directions_.push_back(direction);
    amounts_.push_back(amount);
    itemOf_.push_back(items_.intern(item));
    memberOf_.push_back(members_.intern(member));
    noteAt_.push_back(keepNote(note));
    noteLength_.push_back(static_cast<std::uint16_t>(note.size()));
    vouchers_.push_back(hasVoucher ? 1 : 0);
    count(size() - 1, 1.0);
}

void LedgerRows::replace(std::size_t row, const EntryValues& values) {
    count(row, -1.0);
    dates_[row] = values.date;
    directions_[row] = values.direction;
    amounts_[row] = values.amount;
    itemOf_[row] = items_.intern(values.item);
    memberOf_[row] = members_.intern(values.member);
    const std::string_view note =
        std::string_view(values.note).substr(0, std::numeric_limits<std::uint16_t>::max());
    if (note != this->note(row)) {
        deadNotes_ += noteLength_[row];
        noteAt_[row] = keepNote(note);
        noteLength_[row] = static_cast<std::uint16_t>(note.size());
    }
    vouchers_[row] = values.hasVoucher ? 1 : 0;
    count(row, 1.0);
    if (deadNotes_ > notes_.size() / 2) compactNotes();
}

void LedgerRows::erase(std::size_t row) {
    count(row, -1.0);
    deadNotes_ += noteLength_[row];
    const auto at = static_cast<std::ptrdiff_t>(row);
    dates_.erase(dates_.begin() + at);
    directions_.erase(directions_.begin() + at);
    amounts_.erase(amounts_.begin() + at);
    itemOf_.erase(itemOf_.begin() + at);
    memberOf_.erase(memberOf_.begin() + at);
    noteAt_.erase(noteAt_.begin() + at);
    noteLength_.erase(noteLength_.begin() + at);
    vouchers_.erase(vouchers_.begin() + at);
    if (deadNotes_ > notes_.size() / 2) compactNotes();
}

void LedgerRows::clear() {
    dates_.clear();
    directions_.clear();
    amounts_.clear();
    itemOf_.clear();
    memberOf_.clear();
    noteAt_.clear();
    noteLength_.clear();
    vouchers_.clear();
    items_.clear();
    members_.clear();
    notes_.clear();
    deadNotes_ = 0;
    income_.clear();
    expense_.clear();
}

void LedgerRows::compactNotes() {
    std::string kept;
    kept.reserve(notes_.size() - std::min(deadNotes_, notes_.size()));
    for (std::size_t row = 0; row < size(); ++row) {
        const std::string_view note = this->note(row);
        noteAt_[row] = static_cast<std::uint32_t>(kept.size());
        kept.append(note);
    }
    notes_ = std::move(kept);
    deadNotes_ = 0;
}

std::size_t LedgerRows::bytes() const {
    return dates_.capacity() * sizeof(double) + amounts_.capacity() * sizeof(double) +
           directions_.capacity() * sizeof(Direction) +
           (itemOf_.capacity() + memberOf_.capacity() + noteAt_.capacity()) *
               sizeof(std::uint32_t) +
           noteLength_.capacity() * sizeof(std::uint16_t) + vouchers_.capacity() +
           notes_.capacity() + items_.bytes() + members_.bytes();
}

}  // namespace qinghe
