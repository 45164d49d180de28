#include "store/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qinghe::store {

namespace {

// floor(|sin(i + 1)| * 2^32)
constexpr std::array<std::uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr std::array<int, 16> kShift = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

std::uint32_t loadLe32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

void Md5::reset() {
    state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    buffered_ = 0;
    length_ = 0;
}

void Md5::compress(const std::uint8_t* block) {
    std::uint32_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = loadLe32(block + 4 * i);

    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        switch (i / 16) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        const std::uint32_t next = d;
        d = c;
        c = b;
        b += std::rotl(a + f + kSine[i] + m[g], kShift[(i / 16) * 4 + i % 4]);
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::update(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    length_ += n;
    if (buffered_ > 0) {
        const std::size_t take = std::min(n, buffer_.size() - buffered_);
        std::memcpy(buffer_.data() + buffered_, p, take);
        buffered_ += take;
        p += take;
        n -= take;
        if (buffered_ < buffer_.size()) return;
        compress(buffer_.data());
        buffered_ = 0;
    }
    for (; n >= 64; p += 64, n -= 64) compress(p);
    if (n > 0) std::memcpy(buffer_.data(), p, n);
    buffered_ = n;
}

void Md5::update(std::string_view bytes) {
    update(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Md5Digest Md5::finish() {
    const std::uint64_t bits = length_ * 8;
    // Padding: one 0x80, zeros up to 56 mod 64, then the bit length little-endian.
    std::uint8_t tail[72] = {0x80};
    const std::size_t padLength = (buffered_ < 56 ? 56 : 120) - buffered_;
    for (int i = 0; i < 8; ++i) tail[padLength + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    update(std::span<const std::uint8_t>(tail, padLength + 8));

    Md5Digest digest;
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k)
            digest[4 * i + k] = static_cast<std::uint8_t>(state_[i] >> (8 * k));
    reset();
    return digest;
}

Md5Digest md5(std::string_view bytes) {
    Md5 hash;
    hash.update(bytes);
    return hash.finish();
}

std::string digestToHex(const Md5Digest& digest) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 0x0f]);
    }
    return text;
}

std::string md5Hex(std::string_view bytes) {
    return digestToHex(md5(bytes));
}

}  // namespace qinghe::store
