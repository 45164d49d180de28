#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qinghe::store {

// Tells a change log record that was written whole from one cut short by
// a crash; it guards against torn writes, not against tampering, so a fast
// word-wise FNV-1a does (a purge writes tens of megabytes).
// The pieces are summed as one stream: words are taken across piece edges.
class Checksum {
  public:
    void add(std::string_view bytes) {
        const std::size_t head = std::min(bytes.size(), (8 - filled_) % 8);
        for (char c : bytes.substr(0, head)) take(c);
        bytes.remove_prefix(head);
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            mix(word);
        }
        for (; i < bytes.size(); ++i) take(bytes[i]);
    }
    std::uint64_t value() const {
        std::uint64_t h = h_;
        if (filled_ > 0) h = (h ^ partial_) * kPrime;
        return h ^ length_;
    }

  private:
    static constexpr std::uint64_t kPrime = 0x100000001b3ull;
    void mix(std::uint64_t word) {
        h_ = (h_ ^ word) * kPrime;
        length_ += 8;
    }
    void take(char c) {
        partial_ |= std::uint64_t(static_cast<unsigned char>(c)) << (8 * filled_);
        ++length_;
        if (++filled_ == 8) {
            h_ = (h_ ^ partial_) * kPrime;
            partial_ = 0;
            filled_ = 0;
        }
    }

    std::uint64_t h_ = 0xcbf29ce484222325ull;
    std::uint64_t partial_ = 0;
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace qinghe::store
