#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/exact_sum.h"
#include "entry/entry_values.h"

namespace qinghe {

// The entries of the open ledger in memory, read by one walk when it opens and
// kept in step with its table by every change, so that lists, queries and
// statistics never read the file. Row i is the table's record i + 1.
//
// Column-wise and compact: a few dozen bytes an entry plus the note texts,
// items and members as indexes into small tables of the names in use.
class LedgerRows {
  public:
    std::size_t size() const { return dates_.size(); }
    bool empty() const { return dates_.empty(); }

    double date(std::size_t row) const { return dates_[row]; }
    Direction direction(std::size_t row) const { return directions_[row]; }
    bool income(std::size_t row) const { return directions_[row] == Direction::Income; }
    double amount(std::size_t row) const { return amounts_[row]; }
    std::string_view item(std::size_t row) const { return items_.name(itemOf_[row]); }
    std::string_view member(std::size_t row) const { return members_.name(memberOf_[row]); }
    std::string_view note(std::size_t row) const {
        return std::string_view(notes_).substr(noteAt_[row], noteLength_[row]);
    }
    bool hasVoucher(std::size_t row) const { return vouchers_[row] != 0; }
    // Items and members are kept once each: by their number, for whoever
    // wants to convert or count each name only once.
    std::uint32_t itemNumber(std::size_t row) const { return itemOf_[row]; }
    std::uint32_t memberNumber(std::size_t row) const { return memberOf_[row]; }
    std::string_view itemName(std::uint32_t number) const { return items_.name(number); }
    std::string_view memberName(std::uint32_t number) const { return members_.name(number); }
    EntryValues values(std::size_t row) const;

    // Totals of every entry, exact (added and taken away as entries change).
    double incomeTotal() const { return income_.value(); }
    double expenseTotal() const { return expense_.value(); }

    void reserve(std::size_t rows);
    void append(double date, Direction direction, std::string_view item, double amount,
                std::string_view member, std::string_view note, bool hasVoucher);
    void append(const EntryValues& values) {
        append(values.date, values.direction, values.item, values.amount, values.member,
               values.note, values.hasVoucher);
    }
    void replace(std::size_t row, const EntryValues& values);
    void erase(std::size_t row);
    void clear();

    // Bytes held, for the memory budget.
    std::size_t bytes() const;

  private:
    // Names in use, each stored once.
    class Names {
      public:
        std::uint32_t intern(std::string_view name);
        std::string_view name(std::uint32_t index) const { return names_[index]; }
        std::size_t bytes() const;
        void clear();

      private:
        // A deque: its names never move, so the index can point into them.
        std::deque<std::string> names_;
        std::unordered_map<std::string_view, std::uint32_t> index_;
    };

    void count(std::size_t row, double sign);
    std::uint32_t keepNote(std::string_view note);
    void compactNotes();

    std::vector<double> dates_;
    std::vector<double> amounts_;
    std::vector<Direction> directions_;
    std::vector<std::uint32_t> itemOf_;
    std::vector<std::uint32_t> memberOf_;
    std::vector<std::uint32_t> noteAt_;
    std::vector<std::uint16_t> noteLength_;
    std::vector<std::uint8_t> vouchers_;
    Names items_;
    Names members_;
    std::string notes_;          // every note back to back
    std::size_t deadNotes_ = 0;  // bytes of notes no row points at any more
    ExactSum income_;
    ExactSum expense_;
};

}  // namespace qinghe
