#include "entry/entry_order.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "entry/entry_rows.h"

namespace qinghe::entry {
namespace {

// A row with its key as an unsigned number whose order is the order asked
// for; the row breaks ties, so one plain sort is stable.
struct Keyed {
    std::uint64_t key;
    std::uint32_t row;
};

// Doubles as unsigned numbers in the same order, every NaN after +infinity.
std::uint64_t orderedBits(double value) {
    if (value != value) return ~std::uint64_t{0};
    const auto bits = std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Each name's place among the names in use, found once: a million rows share
// a few dozen items and members.
template <typename NumberOf, typename NameOf>
std::vector<std::uint32_t> nameRanks(std::span<const std::uint32_t> listed, NumberOf numberOf,
                                     NameOf nameOf) {
    std::uint32_t names = 0;
    for (const std::uint32_t row : listed) names = std::max(names, numberOf(row) + 1);
    std::vector<std::uint32_t> numbers(names);
    std::iota(numbers.begin(), numbers.end(), 0u);
    std::sort(numbers.begin(), numbers.end(), [&](std::uint32_t a, std::uint32_t b) {
        const std::string_view left = nameOf(a), right = nameOf(b);
        // Bytes compared unsigned: GBK's lead bytes lie above ASCII.
        return std::lexicographical_compare(
            left.begin(), left.end(), right.begin(), right.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    });
    // Names are kept once each, so no two share a rank.
    std::vector<std::uint32_t> ranks(names);
    for (std::uint32_t place = 0; place < names; ++place) ranks[numbers[place]] = place;
    return ranks;
}

}  // namespace

std::optional<SortKey> sortKeyOfColumn(int column) {
    switch (column) {
        case kDateColumn:
            return SortKey::Date;
        case kAmountColumn:
            return SortKey::Amount;
        case kItemColumn:
            return SortKey::Item;
        case kMemberColumn:
            return SortKey::Member;
        default:
            return std::nullopt;
    }
}

int columnOfSortKey(SortKey key) {
    switch (key) {
        case SortKey::Date:
            return kDateColumn;
        case SortKey::Amount:
            return kAmountColumn;
        case SortKey::Item:
            return kItemColumn;
        case SortKey::Member:
            return kMemberColumn;
    }
    return kDateColumn;
}

std::optional<SortKey> sortKeyNamed(std::string_view name) {
    if (name == "date") return SortKey::Date;
    if (name == "amount") return SortKey::Amount;
    if (name == "item") return SortKey::Item;
    if (name == "member") return SortKey::Member;
    return std::nullopt;
}

std::vector<std::uint32_t> sortedRows(const LedgerRows& rows, std::span<const std::uint32_t> listed,
                                      EntryOrder order) {
    std::vector<Keyed> keyed(listed.size());
    const bool descending = order.direction == SortDirection::Descending;
    auto fill = [&](auto keyOf) {
        for (std::size_t at = 0; at < listed.size(); ++at) {
            const std::uint64_t key = keyOf(listed[at]);
            keyed[at] = {descending ? ~key : key, listed[at]};
        }
    };
    switch (order.key) {
        case SortKey::Date:
            fill([&](std::uint32_t row) { return orderedBits(rows.date(row)); });
            break;
        case SortKey::Amount:
            fill([&](std::uint32_t row) { return orderedBits(rows.amount(row)); });
            break;
        case SortKey::Item: {
            const auto ranks = nameRanks(
                listed, [&](std::uint32_t row) { return rows.itemNumber(row); },
                [&](std::uint32_t number) { return rows.itemName(number); });
            fill([&](std::uint32_t row) { return std::uint64_t{ranks[rows.itemNumber(row)]}; });
            break;
        }
        case SortKey::Member: {
            const auto ranks = nameRanks(
                listed, [&](std::uint32_t row) { return rows.memberNumber(row); },
                [&](std::uint32_t number) { return rows.memberName(number); });
            fill([&](std::uint32_t row) { return std::uint64_t{ranks[rows.memberNumber(row)]}; });
            break;
        }
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
    std::vector<std::uint32_t> sorted(keyed.size());
    for (std::size_t at = 0; at < keyed.size(); ++at) sorted[at] = keyed[at].row;
    return sorted;
}

std::vector<std::uint32_t> sortedRows(const LedgerRows& rows, EntryOrder order) {
    std::vector<std::uint32_t> every(rows.size());
    std::iota(every.begin(), every.end(), 0u);
    return sortedRows(rows, every, order);
}

}  // namespace qinghe::entry
