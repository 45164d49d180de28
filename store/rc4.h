#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace qinghe::store {

// Plain RC4 key stream.
class Rc4 {
  public:
    // An empty key is taken as the one-byte key {0}, so that no key is undefined.
    explicit Rc4(std::span<const std::uint8_t> key);

    void generate(std::uint8_t* out, std::size_t n);
    // Discards the next n key-stream bytes.
    void skip(std::size_t n);
    void xorInto(std::uint8_t* data, std::size_t n);

  private:
    std::array<std::uint8_t, 256> s_;
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
};

}  // namespace qinghe::store
