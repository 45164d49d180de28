#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qinghe::store {

using Md5Digest = std::array<std::uint8_t, 16>;

// MD5 (RFC 1321), fed in pieces of any size.
class Md5 {
  public:
    Md5() { reset(); }

    void update(std::span<const std::uint8_t> bytes);
    void update(std::string_view bytes);
    // The digest of everything fed since the last reset; the object then starts over.
    Md5Digest finish();
    void reset();

  private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 4> state_{};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes fed so far
};

Md5Digest md5(std::string_view bytes);
// 32 lower-case hexadecimal characters.
std::string md5Hex(std::string_view bytes);
std::string digestToHex(const Md5Digest& digest);

}  // namespace qinghe::store
