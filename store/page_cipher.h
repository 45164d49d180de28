#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/rc4.h"

namespace qinghe::store {

inline constexpr std::size_t kCipherPageSize = 4096;

// Key material of one table password (never empty). Every byte of a table's files
// from offset 4 on is XORed with an RC4 key stream that is keyed anew for each
// 4096-byte page, so any byte range can be read or written on its own.
class PageCipher {
  public:
    explicit PageCipher(std::string_view password);

    const std::string& password() const { return password_; }
    // The password digest, as stored in the check block.
    const std::string& digest() const { return digest_; }

    // The 4096 key-stream bytes of page `page`: RC4 keyed with the 40-byte page key
    // (w LE, the 32 digest chars, page XOR w LE), bytes 36 .. 36+4095 of its stream,
    // where w = LE uint32 of base key-stream bytes 4*page .. 4*page+3 and the base
    // key stream is RC4 keyed with the password bytes.
    void pageKeyStream(std::uint32_t page, std::uint8_t* out) const;

    // XORs `length` bytes that lie at file offset `offset` (any alignment, may span
    // pages) with the key stream; file offsets 0..3 (the magic) are never touched.
    // Enciphering and deciphering are the same operation.
    void apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) const;

  private:
    // RC4 keyed for the page, positioned at the first key-stream byte that is used.
    Rc4 pageStream(std::uint32_t page) const;
    std::uint32_t baseWord(std::uint32_t page) const;

    std::string password_;
    std::string digest_;
    // The base key stream is read as a table of words that grows on demand: higher
    // pages need only the stream continued, never restarted.
    mutable Rc4 base_;
    mutable std::vector<std::uint32_t> baseWords_;
};

}  // namespace qinghe::store
