#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe {

// Every text inside the core is a GBK (code page 936) byte string, as stored.

// Conversions through iconv. Text that cannot be converted gives nothing: it is
// never altered silently.
std::optional<std::string> gbkToUtf8(std::string_view gbk);
std::optional<std::string> utf8ToGbk(std::string_view utf8);
// A text of the program's own source (UTF-8) in GBK: messages and captions are
// written in the source as they are read, and converted once, where they are
// defined (`inline const std::string kDoneText = gbkText("还原完成！");`). A
// text GBK cannot hold is a fault of the program: it ends at once, naming it.
std::string gbkText(std::string_view utf8);
// For showing damaged stored text: bytes that do not convert become U+FFFD.
std::string gbkToUtf8Lossy(std::string_view gbk);
// Whether the bytes are well-formed UTF-8 and hold at least one character
// beyond ASCII.
bool isUtf8BeyondAscii(std::string_view bytes);
// A file's path to show in a message: GBK, with "?" for what GBK cannot hold.
std::string pathToGbk(const std::filesystem::path& path);

inline bool isGbkLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}
// Length in bytes of the character at pos: 2 for a lead byte followed by another
// byte, otherwise 1. pos must be inside the text.
std::size_t gbkCharLength(std::string_view text, std::size_t pos);
// The longest prefix of at most width bytes that does not end in half a
// double-byte character.
std::string_view cutGbk(std::string_view text, std::size_t width);
// Names (INI keys, field names, aliases) match without regard to ASCII letter
// case; the trail byte of a double-byte character is compared exactly, even
// when it looks like a letter.
bool gbkNamesEqual(std::string_view a, std::string_view b);

}  // namespace qinghe
