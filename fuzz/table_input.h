#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qinghe::fuzz {

// One fuzzer input: a flag byte, the data file's length (16 bits, little-endian),
// the data file's bytes and then the companion file's bytes. Both files are held
// deciphered: for an enciphered table the harness stamps the magic and the check
// block and enciphers them itself, so mutations act on the structure rather
// than on cipher text.
namespace flag {
inline constexpr std::uint8_t kEnciphered = 1 << 0;      // stored under the store password
inline constexpr std::uint8_t kNoCompanion = 1 << 1;     // the companion file is not written
inline constexpr std::uint8_t kWrongPassword = 1 << 2;   // opened with the other password
inline constexpr std::uint8_t kLowerExtension = 1 << 3;  // companion named ".edt"
inline constexpr std::uint8_t kChangePassword = 1 << 4;  // re-enciphered before the end
}  // namespace flag

struct TableInput {
    std::uint8_t flags = 0;
    std::string data;
    std::string companion;
};

inline constexpr std::size_t kInputHeaderSize = 3;

inline std::optional<TableInput> decodeInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < kInputHeaderSize) return std::nullopt;
    TableInput input;
    input.flags = bytes[0];
    std::size_t dataLength = bytes[1] | std::size_t(bytes[2]) << 8;
    bytes += kInputHeaderSize;
    size -= kInputHeaderSize;
    // A length past the end takes what is there, so no input is wasted.
    if (dataLength > size) dataLength = size;
    input.data.assign(reinterpret_cast<const char*>(bytes), dataLength);
    input.companion.assign(reinterpret_cast<const char*>(bytes) + dataLength, size - dataLength);
    return input;
}

// Nothing when the data file does not fit the 16-bit length.
inline std::optional<std::string> encodeInput(const TableInput& input) {
    if (input.data.size() > 0xFFFF) return std::nullopt;
    std::string out;
    out.push_back(static_cast<char>(input.flags));
    out.push_back(static_cast<char>(input.data.size() & 0xFF));
    out.push_back(static_cast<char>(input.data.size() >> 8));
    out += input.data;
    out += input.companion;
    return out;
}

}  // namespace qinghe::fuzz
