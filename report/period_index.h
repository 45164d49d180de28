#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qinghe::report {

// Which element a period key belongs to: an open-addressing hash of 64-bit
// keys to element numbers, for the statistics' one pass over the entries.
// A few thousand periods fit in the processor's cache; a lookup costs a
// multiplication and, nearly always, one probe.
class PeriodIndex {
  public:
    static constexpr std::uint32_t kMissing = 0xFFFFFFFFu;

    PeriodIndex() : slots_(kInitialSlots) {}

    // The element of `key`, or kMissing.
    std::uint32_t find(std::uint64_t key) const {
        for (std::size_t at = home(key);; at = (at + 1) & mask()) {
            const Slot& slot = slots_[at];
            if (slot.element == kMissing) return kMissing;
            if (slot.key == key) return slot.element;
        }
    }

    // Files `element` under `key`, which must not be there yet.
    void insert(std::uint64_t key, std::uint32_t element) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        place(key, element);
        ++used_;
    }

  private:
    static constexpr std::size_t kInitialSlots = 256;

    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t element = kMissing;
    };

    std::size_t mask() const { return slots_.size() - 1; }
    std::size_t home(std::uint64_t key) const {
        // Fibonacci hashing: neighbouring days land far apart.
        const std::uint64_t mixed = key * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(mixed >> 32) & mask();
    }
    void place(std::uint64_t key, std::uint32_t element) {
        std::size_t at = home(key);
        while (slots_[at].element != kMissing) at = (at + 1) & mask();
        slots_[at] = {key, element};
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.element != kMissing) place(slot.key, slot.element);
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

}  // namespace qinghe::report
