#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/page_cipher.h"

namespace qinghe::store {

// The page key streams of one password. A page's key stream depends only on
// the password and the page number, so it is the same for every table under
// that password: the table manager shares one of these per password and keeps
// the streams of the pages that are written or read in part (the header, the
// last pages where entries are appended, the pages a purge rewrites). Whole
// pages read into the table's chunks are deciphered straight from RC4: the
// chunks keep them deciphered, so their streams would only cost memory and a
// pass.
//
// Memory bound: at most maxCachedPages pages of 4096 bytes (64 MiB by default,
// enough for an entry table of 100,000 entries). Pages beyond the bound are
// computed again whenever they are needed.
class KeyStreams {
  public:
    static constexpr std::size_t kDefaultCachedPages = 16384;

    explicit KeyStreams(std::string_view password,
                        std::size_t maxCachedPages = kDefaultCachedPages);

    const std::string& password() const { return cipher_.password(); }
    const std::string& digest() const { return cipher_.digest(); }

    // XORs bytes that lie at a file offset with the key stream; the magic at
    // offsets 0..3 is left alone.
    void apply(std::uint64_t offset, std::uint8_t* data, std::size_t length);
    // As apply, reading from `in` and writing to `out`.
    void applyTo(std::uint64_t offset, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t length);
    // As apply, for reading records into memory that keeps them deciphered:
    // a whole page whose stream is not kept is deciphered straight from RC4
    // and its stream is not kept either. A first walk then costs little more
    // than the cipher, and pages that are only read take no memory here.
    void applyForRead(std::uint64_t offset, std::uint8_t* data, std::size_t length);

    std::size_t cachedBytes() const { return cachedPages_ * kCipherPageSize; }

    // The key stream of one page into `out` (kCipherPageSize bytes): the kept
    // one when there is one, else made afresh and not kept. For passes that
    // use a page's stream twice and keep it themselves meanwhile.
    void pageStream(std::uint32_t index, std::uint8_t* out);

  private:
    const std::uint8_t* page(std::uint32_t index);
    bool kept(std::uint32_t index) const { return index < pages_.size() && pages_[index]; }
    void applyPages(std::uint64_t offset, std::uint8_t* data, std::size_t length, bool forRead);

    PageCipher cipher_;
    std::size_t maxCachedPages_;
    std::size_t cachedPages_ = 0;
    std::vector<std::unique_ptr<std::uint8_t[]>> pages_;
    std::unique_ptr<std::uint8_t[]> scratch_;
};

}  // namespace qinghe::store
