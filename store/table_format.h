#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "store/value.h"

namespace qinghe::store {

// Byte layout of the data file and its companion file. All integers are
// little-endian.
inline constexpr std::uint32_t kFormatVersion = 0x00010000;
inline constexpr std::size_t kHeaderSize = 112;
inline constexpr std::size_t kFieldCountOffset = 112;
inline constexpr std::size_t kDescriptorsOffset = 116;
inline constexpr std::size_t kDescriptorSize = 72;
inline constexpr std::size_t kRecordCountOffset = 16;
inline constexpr std::size_t kNextSequenceOffset = 20;
inline constexpr std::size_t kCheckBlockOffset = 28;
inline constexpr std::size_t kCheckBlockSize = 36;
inline constexpr std::size_t kMaxNameBytes = 16;
inline constexpr std::int32_t kMaxTextWidth = 1024;
inline constexpr std::size_t kSequenceSize = 4;
// Bytes 0..3 of both files hold the magic and are never enciphered.
inline constexpr std::size_t kMagicSize = 4;

inline constexpr char kPlainMagic[] = "WEDB";
inline constexpr char kCipheredMagic[] = "WCDB";
inline constexpr char kCompanionMagic[] = "WEDT";

inline constexpr std::size_t kBlockSize = 512;
inline constexpr std::size_t kBlockHeaderSize = 12;
inline constexpr std::size_t kBlockPayload = 500;

inline std::int32_t loadI32(const std::uint8_t* p) {
    std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(v);
}
inline std::uint32_t loadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(loadI32(p));
}
inline void storeI32(std::uint8_t* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}
inline double loadF64(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
inline void storeF64(std::uint8_t* p, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) p[i] = std::uint8_t(bits >> (8 * i));
}

// What create() is given for one field.
struct FieldDescription {
    std::string name;  // GBK
    FieldType type = FieldType::Text;
    std::int32_t width = 0;  // counts only for text
};

// A field as the open table knows it.
struct FieldInfo {
    std::string name;
    FieldType type = FieldType::Text;
    std::int32_t offset = 0;  // within the record; the sequence number is at 0
    std::int32_t width = 0;   // bytes in the record
};

struct TableHeader {
    std::array<char, 4> magic{};
    std::uint32_t version = kFormatVersion;
    double created = 0;
    std::int32_t recordCount = 0;
    std::int32_t nextSequence = 1;
    std::int32_t recordSize = 0;
    std::array<std::uint8_t, kCheckBlockSize> check{};
};

void encodeHeader(const TableHeader& header, std::uint8_t* out /* kHeaderSize */);
TableHeader decodeHeader(const std::uint8_t* in);
void encodeDescriptor(const FieldInfo& field, std::uint8_t* out /* kDescriptorSize */);

// Field names and aliases: 1 to 16 bytes of ASCII letters, digits, underscores
// and GBK Chinese characters, not starting with a digit or a full stop.
bool isValidName(std::string_view name);
// ASCII case-insensitive equality for GBK names (trail bytes are compared exactly).
bool namesEqual(std::string_view a, std::string_view b);

// The 36-byte password check block: digest, then zero bytes; all zero without a
// password.
std::array<std::uint8_t, kCheckBlockSize> makeCheckBlock(std::string_view password);

}  // namespace qinghe::store
