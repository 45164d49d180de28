#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qinghe::entry {

// Little- and big-endian integers at an offset of image bytes. The caller has
// checked that the bytes are there.
inline std::uint32_t byteAt(std::string_view bytes, std::size_t offset) {
    return static_cast<unsigned char>(bytes[offset]);
}
inline std::uint32_t readLe16(std::string_view bytes, std::size_t offset) {
    return byteAt(bytes, offset) | byteAt(bytes, offset + 1) << 8;
}
inline std::uint32_t readLe32(std::string_view bytes, std::size_t offset) {
    return readLe16(bytes, offset) | readLe16(bytes, offset + 2) << 16;
}
inline std::uint32_t readBe16(std::string_view bytes, std::size_t offset) {
    return byteAt(bytes, offset) << 8 | byteAt(bytes, offset + 1);
}
inline std::uint32_t readBe32(std::string_view bytes, std::size_t offset) {
    return readBe16(bytes, offset) << 16 | readBe16(bytes, offset + 2);
}

}  // namespace qinghe::entry
