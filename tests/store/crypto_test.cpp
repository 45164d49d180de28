// Expected values below were computed once, outside this code base, with Python 3
// (hashlib.md5 and a textbook RC4); RC4 vectors are those of RFC 6229.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/md5.h"
#include "store/page_cipher.h"
#include "store/password_digest.h"
#include "store/rc4.h"
#include "tests/store/known_table_bytes.h"

namespace qinghe::store {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string_view asText(const std::uint8_t* data, std::size_t n) {
    return {reinterpret_cast<const char*>(data), n};
}

// Deterministic 1 MiB input, the same expression as in the Python computation.
std::string megabyteInput() {
    std::string input(1u << 20, '\0');
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<char>((i * 7 + (i >> 8)) & 0xFF);
    return input;
}

// --- MD5 ---

TEST(Md5, KnownAnswers) {
    struct Case {
        std::string input;
        const char* hex;
    };
    const std::vector<Case> cases = {
        // RFC 1321 test suite
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths around the padding boundaries (56 and 64 bytes mod 64)
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
        {std::string(63, 'x'), "7dc2ca208106a2f703567bdff99d8981"},
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
        {std::string(65, 'x'), "1bc932052302d074bdec39795fe00cf6"},
        {std::string(119, 'x'), "ab347a5f68c8a443cfcddc633f12c24f"},
        {std::string(120, 'x'), "fb98667f98096de92620b64f46e1c5b5"},
        {megabyteInput(), "85bfb9943e6f0cb09f0f52679e9eac2b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.size() <= 80 ? c.input : "length " + std::to_string(c.input.size()));
        EXPECT_EQ(md5Hex(c.input), c.hex);
    }
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest) {
    const std::string input = megabyteInput();
    const std::vector<std::size_t> pieceSizes = {1, 3, 55, 63, 64, 65, 127, 4096, 100003};
    Md5 hash;
    // Used twice: finish() must leave the object ready for the next message.
    for (int round = 0; round < 2; ++round) {
        std::size_t pos = 0;
        for (std::size_t k = 0; pos < input.size(); ++k) {
            const std::size_t n = std::min(pieceSizes[k % pieceSizes.size()], input.size() - pos);
            hash.update(std::string_view(input).substr(pos, n));
            pos += n;
        }
        EXPECT_EQ(digestToHex(hash.finish()), "85bfb9943e6f0cb09f0f52679e9eac2b");
    }
}

// --- RC4 ---

TEST(Rc4, Rfc6229Key0102030405) {
    struct Case {
        std::size_t offset;
        std::array<std::uint8_t, 16> bytes;
    };
    const std::vector<Case> cases = {
        {0,
         {0xb2, 0x39, 0x63, 0x05, 0xf0, 0x3d, 0xc0, 0x27, 0xcc, 0xc3, 0x52, 0x4a, 0x0a, 0x11, 0x18,
          0xa8}},
        {16,
         {0x69, 0x82, 0x94, 0x4f, 0x18, 0xfc, 0x82, 0xd5, 0x89, 0xc4, 0x03, 0xa4, 0x7a, 0x0d, 0x09,
          0x19}},
        {240,
         {0x28, 0xcb, 0x11, 0x32, 0xc9, 0x6c, 0xe2, 0x86, 0x42, 0x1d, 0xca, 0xad, 0xb8, 0xb6, 0x9e,
          0xae}},
        {256,
         {0x1c, 0xfc, 0xf6, 0x2b, 0x03, 0xed, 0xdb, 0x64, 0x1d, 0x77, 0xdf, 0xcf, 0x7f, 0x8d, 0x8c,
          0x93}},
        {1520,
         {0x32, 0x94, 0xf7, 0x44, 0xd8, 0xf9, 0x79, 0x05, 0x07, 0xe7, 0x0f, 0x62, 0xe5, 0xbb, 0xce,
          0xea}},
        {1536,
         {0xd8, 0x72, 0x9d, 0xb4, 0x18, 0x82, 0x25, 0x9b, 0xee, 0x4f, 0x82, 0x53, 0x25, 0xf5, 0xa1,
          0x30}},
        {4080,
         {0x06, 0x83, 0x26, 0xa2, 0x11, 0x84, 0x16, 0xd2, 0x1f, 0x9d, 0x04, 0xb2, 0xcd, 0x1c, 0xa0,
          0x50}},
        {4096,
         {0xff, 0x25, 0xb5, 0x89, 0x95, 0x99, 0x67, 0x07, 0xe5, 0x1f, 0xbd, 0xf0, 0x8b, 0x34, 0xd8,
          0x75}},
    };
    const std::array<std::uint8_t, 5> key = {0x01, 0x02, 0x03, 0x04, 0x05};

    Bytes whole(4096 + 16);
    Rc4(key).generate(whole.data(), whole.size());
    for (const Case& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset));
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), whole.begin() + c.offset));

        Rc4 skipped(key);
        skipped.skip(c.offset);
        Bytes got(16);
        skipped.generate(got.data(), got.size());
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), got.begin()));
    }
}

TEST(Rc4, ClassicKeyPlaintextVector) {
    const std::string_view key = "Key";
    std::string text = "Plaintext";
    Rc4 cipher(std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()));
    cipher.xorInto(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    const std::array<std::uint8_t, 9> expected = {0xbb, 0xf3, 0x16, 0xe8, 0xd9,
                                                  0x40, 0xaf, 0x0a, 0xd3};
    EXPECT_EQ(text, asText(expected.data(), expected.size()));
}

// --- Password digest ---

TEST(PasswordDigest, KnownAnswers) {
    struct Case {
        std::string password;
        const char* digest;
    };
    const std::vector<Case> cases = {
        {"[.qorvenx", "f1140298322b3fc9f9a0eeb2ecccd58f"},
        {"\xbc\xd2\xcd\xa5\xbc\xc7\xd5\xcb", "18b26e3ae8762b021cb6bdb24d80df01"},  // 家庭记账, GBK
        {"", "7e42f8ec980980e904b2008fd98c1dd4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        EXPECT_EQ(passwordDigest(c.password), c.digest);
    }
}

// --- Page cipher ---

struct PageCase {
    std::uint32_t page;
    std::array<std::uint8_t, 16> head;
    const char* md5OfPage;
};

const std::vector<PageCase>& pageCases() {
    static const std::vector<PageCase> cases = {
        {0,
         {0x46, 0xf4, 0x3c, 0xec, 0x94, 0xa8, 0xcf, 0x6c, 0x41, 0x67, 0xb9, 0xec, 0x8f, 0x8d, 0x77,
          0xaa},
         "a594f8cf9661446406ed5f2159eecf72"},
        {1,
         {0x0b, 0x52, 0xa3, 0xd9, 0x10, 0xda, 0xc7, 0xda, 0xb8, 0x2b, 0x7c, 0xae, 0x18, 0x10, 0x6a,
          0x34},
         "c3b56d77da277c511f13436be149ea7d"},
        {2,
         {0xbd, 0x63, 0x38, 0x78, 0x65, 0x8f, 0xb2, 0x22, 0x5e, 0xa8, 0xd3, 0x0f, 0xb1, 0x0d, 0x2d,
          0xce},
         "83212501d6d97eca153e43b0799ea2e3"},
        {1000,
         {0xcc, 0xed, 0x0a, 0x55, 0x28, 0x87, 0x67, 0x3e, 0xbf, 0x74, 0x44, 0xbf, 0x7b, 0xe3, 0x0c,
          0x8b},
         "a1d3c1bd8573f461671f35624c4c5035"},
    };
    return cases;
}

void expectPage(const PageCipher& cipher, const PageCase& c) {
    SCOPED_TRACE("page " + std::to_string(c.page));
    Bytes stream(kCipherPageSize);
    cipher.pageKeyStream(c.page, stream.data());
    EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), stream.begin()));
    EXPECT_EQ(md5Hex(asText(stream.data(), stream.size())), c.md5OfPage);
}

TEST(PageCipher, PageKeyStreamKnownAnswers) {
    const PageCipher ascending("[.qorvenx");
    for (const PageCase& c : pageCases()) expectPage(ascending, c);

    // The base key stream grows lazily: asking for a high page first must not
    // disturb the words of the lower pages.
    const PageCipher descending("[.qorvenx");
    for (auto it = pageCases().rbegin(); it != pageCases().rend(); ++it)
        expectPage(descending, *it);
}

class PageCipherApply : public ::testing::Test {
  protected:
    static constexpr std::size_t kPages = 3;

    PageCipherApply()
        : cipher_("[.qorvenx"), plain_(kPages * kCipherPageSize), keys_(plain_.size()) {
        for (std::size_t i = 0; i < plain_.size(); ++i)
            plain_[i] = static_cast<std::uint8_t>(i * 31 + 5);
        for (std::uint32_t page = 0; page < kPages; ++page)
            cipher_.pageKeyStream(page, keys_.data() + page * kCipherPageSize);
    }

    // What the bytes at [offset, offset + length) must become: each byte XORed with
    // its page's key stream, the magic left alone.
    Bytes expected(std::size_t offset, std::size_t length) const {
        Bytes out(plain_.begin() + offset, plain_.begin() + offset + length);
        for (std::size_t k = 0; k < length; ++k)
            if (offset + k >= 4) out[k] ^= keys_[offset + k];
        return out;
    }

    PageCipher cipher_;
    Bytes plain_;
    Bytes keys_;  // key streams of pages 0 .. kPages-1, end to end
};

TEST_F(PageCipherApply, AnySpanMatchesThePageKeyStreams) {
    struct Case {
        std::size_t offset;
        std::size_t length;
    };
    const std::vector<Case> cases = {
        {4090, 4200},  // unaligned, crosses two page boundaries
        {0, 10},       // starts on the magic
        {2, 5},        // starts inside the magic
        {0, 3},        // only magic
        {4096, 4096},  // exactly one page
        {8191, 2},     // one byte on each side of a boundary
        {37, 1},      {5000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + " length " + std::to_string(c.length));
        Bytes data(plain_.begin() + c.offset, plain_.begin() + c.offset + c.length);
        cipher_.apply(c.offset, data.data(), data.size());
        EXPECT_EQ(data, expected(c.offset, c.length));

        cipher_.apply(c.offset, data.data(), data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), plain_.begin() + c.offset));
    }
}

TEST_F(PageCipherApply, WholeFileAtOnceEqualsPieceByPiece) {
    Bytes whole = plain_;
    cipher_.apply(0, whole.data(), whole.size());
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + 4, plain_.begin()));

    Bytes pieces = plain_;
    for (std::size_t pos = 0, step = 1; pos < pieces.size(); pos += step, step = step * 3 + 1) {
        const std::size_t n = std::min(step, pieces.size() - pos);
        cipher_.apply(pos, pieces.data() + pos, n);
    }
    EXPECT_EQ(whole, pieces);
}

TEST(PageCipher, DeciphersTheKnownTableFile) {
    const auto& enciphered = testdata::kEncipheredTableBytes;
    const auto& plain = testdata::kPlainTableBytes;
    ASSERT_EQ(enciphered.size(), plain.size());

    Bytes data(enciphered.begin(), enciphered.end());
    PageCipher("[.qorvenx").apply(0, data.data(), data.size());

    EXPECT_EQ(asText(data.data(), 4), "WCDB");
    EXPECT_EQ(asText(data.data() + 28, 36),
              std::string("f1140298322b3fc9f9a0eeb2ecccd58f") + std::string(4, '\0'));
    // Everything else matches the plain file byte for byte.
    std::copy_n(plain.begin(), 4, data.begin());
    std::copy_n(plain.begin() + 28, 36, data.begin() + 28);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), plain.begin()));
}

}  // namespace
}  // namespace qinghe::store
