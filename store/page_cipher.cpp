#include "store/page_cipher.h"

#include <algorithm>
#include <array>
#include <span>

#include "store/password_digest.h"

namespace qinghe::store {

namespace {

// Page-key bytes 0 .. 35 of each page's stream are discarded.
constexpr std::size_t kDiscarded = 36;
constexpr std::size_t kMagicSize = 4;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void storeLe32(std::uint8_t* p, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(value >> (8 * k));
}

}  // namespace

PageCipher::PageCipher(std::string_view password)
    : password_(password), digest_(passwordDigest(password)), base_(bytesOf(password)) {}

std::uint32_t PageCipher::baseWord(std::uint32_t page) const {
    if (page >= baseWords_.size()) {
        const std::size_t oldSize = baseWords_.size();
        const std::size_t newSize =
            std::max({std::size_t{page} + 1, 2 * oldSize, std::size_t{256}});
        std::vector<std::uint8_t> bytes(4 * (newSize - oldSize));
        base_.generate(bytes.data(), bytes.size());
        baseWords_.resize(newSize);
        for (std::size_t k = oldSize; k < newSize; ++k) {
            const std::uint8_t* p = bytes.data() + 4 * (k - oldSize);
            baseWords_[k] = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                            std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
        }
    }
    return baseWords_[page];
}

Rc4 PageCipher::pageStream(std::uint32_t page) const {
    const std::uint32_t w = baseWord(page);
    std::array<std::uint8_t, 40> key;
    storeLe32(key.data(), w);
    std::copy_n(digest_.begin(), 32, key.begin() + 4);
    storeLe32(key.data() + 36, page ^ w);
    Rc4 stream(key);
    stream.skip(kDiscarded);
    return stream;
}

void PageCipher::pageKeyStream(std::uint32_t page, std::uint8_t* out) const {
    pageStream(page).generate(out, kCipherPageSize);
}

void PageCipher::apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) const {
    if (offset < kMagicSize) {
        const std::size_t plain = std::min<std::uint64_t>(length, kMagicSize - offset);
        offset += plain;
        data += plain;
        length -= plain;
    }
    while (length > 0) {
        const auto page = static_cast<std::uint32_t>(offset / kCipherPageSize);
        const std::size_t within = offset % kCipherPageSize;
        const std::size_t n = std::min(length, kCipherPageSize - within);
        // Only the key-stream bytes up to the end of the span are produced, so
        // small reads and writes cost little more than the key schedule.
        Rc4 stream = pageStream(page);
        stream.skip(within);
        stream.xorInto(data, n);
        offset += n;
        data += n;
        length -= n;
    }
}

}  // namespace qinghe::store
