#include "store/rc4.h"

namespace qinghe::store {

namespace {

// One key-stream step. The callers keep i and j in locals so that they stay in
// registers across the loop instead of being written back to the object each byte.
inline std::uint8_t step(std::uint8_t& i, std::uint8_t& j, std::uint8_t* s) {
    ++i;
    const std::uint8_t si = s[i];
    j = static_cast<std::uint8_t>(j + si);
    const std::uint8_t sj = s[j];
    s[i] = sj;
    s[j] = si;
    return s[static_cast<std::uint8_t>(si + sj)];
}

}  // namespace

Rc4::Rc4(std::span<const std::uint8_t> key) {
    static constexpr std::uint8_t kZero = 0;
    if (key.empty()) key = std::span(&kZero, 1);

    std::uint8_t* s = s_.data();
    for (int k = 0; k < 256; ++k) s[k] = static_cast<std::uint8_t>(k);
    const std::uint8_t* keyBytes = key.data();
    const std::size_t keyLength = key.size();
    std::uint8_t j = 0;
    std::size_t keyIndex = 0;  // k mod keyLength, without a division per step
    for (int k = 0; k < 256; ++k) {
        const std::uint8_t sk = s[k];
        j = static_cast<std::uint8_t>(j + sk + keyBytes[keyIndex]);
        s[k] = s[j];
        s[j] = sk;
        if (++keyIndex == keyLength) keyIndex = 0;
    }
}

void Rc4::generate(std::uint8_t* out, std::size_t n) {
    std::uint8_t i = i_, j = j_;
    std::uint8_t* s = s_.data();
    for (std::size_t k = 0; k < n; ++k) out[k] = step(i, j, s);
    i_ = i;
    j_ = j;
}

void Rc4::skip(std::size_t n) {
    std::uint8_t i = i_, j = j_;
    std::uint8_t* s = s_.data();
    for (std::size_t k = 0; k < n; ++k) step(i, j, s);
    i_ = i;
    j_ = j;
}

void Rc4::xorInto(std::uint8_t* data, std::size_t n) {
    std::uint8_t i = i_, j = j_;
    std::uint8_t* s = s_.data();
    for (std::size_t k = 0; k < n; ++k) data[k] ^= step(i, j, s);
    i_ = i;
    j_ = j;
}

}  // namespace qinghe::store
