#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qinghe {

// INI files with private-profile behaviour. Names and values are GBK bytes;
// section and key names match without regard to (ASCII) letter case; LF and
// CRLF files both read; new lines are written with CRLF.

// Values are read through a buffer of this many bytes, terminator included, so
// a longer value comes back cut to kIniValueBuffer - 1 bytes.
inline constexpr std::size_t kIniValueBuffer = 10240;

// Larger files are refused: read as missing, never rewritten. A settings file
// is a few kilobytes; one this big is damage, and a file we cannot hold whole
// is not one we may replace whole.
inline constexpr std::size_t kIniMaxFileBytes = std::size_t{64} * 1024 * 1024;

// One INI file's text, parsed once: for reading many keys (an item list of N
// names) without reading the file N times. Every query walks the text once, so
// a file of any shape costs time in proportion to its size.
class IniDocument {
  public:
    static IniDocument parse(std::string_view bytes);

    // The value of the first matching key of the first matching section, with
    // white space around it and one pair of enclosing quotes (" or ') removed,
    // cut like readIniString; nothing when section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The key names of a section in file order, each once as first spelled
    // (empty when the section is missing).
    std::vector<std::string> keys(std::string_view section) const;
    // Each key of a section once, as first spelled, with the value value()
    // gives for it: a whole list in one pass over the text.
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;
    // Replaces the value of an existing key or adds the key, adding the section
    // at the end when it is missing. Other lines are kept as they were. False,
    // and nothing changed, when the names or the value would not read back:
    // an empty name, a line break, "=" in the key, "]" in the section, white
    // space around a name, a key starting with ";" or "[".
    [[nodiscard]] bool set(std::string_view section, std::string_view key, std::string_view value);
    // Adds a section at the end with its keys in order, for a document built
    // from nothing: one pass whatever the number of keys (a list of 100,000
    // names), where key by key would search the text each time. The section
    // must not be in the document yet and the keys must be distinct. What set
    // would refuse is left out, and makes the result false.
    [[nodiscard]] bool appendSection(std::string_view section,
                                     const std::vector<std::pair<std::string, std::string>>& keys);
    std::string text() const { return text_; }

  private:
    // The bytes as read; kept whole (not split into line objects) so a file of
    // millions of empty lines needs no more memory than its size.
    std::string text_;
};

// The value of a key, or the default when the file, the section or the key is
// missing (a value longer than the buffer is cut to kIniValueBuffer - 1 bytes,
// never inside a double-byte character). Files larger than kIniMaxFileBytes read
// as missing.
std::string readIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view defaultValue);
// The whole file parsed, or an empty document when it is missing, unreadable
// or larger than kIniMaxFileBytes.
IniDocument readIniDocument(const std::filesystem::path& file);
// Writes a key, creating the file, the section and the key as needed. The file
// is replaced whole (written beside it, flushed, renamed), so a failed write
// never leaves half a file. False when it could not be written, when its folder
// is missing, when the file is larger than kIniMaxFileBytes or cannot be read (it is then
// left untouched), or when IniDocument::set refuses the names or the value.
[[nodiscard]] bool writeIniString(const std::filesystem::path& file, std::string_view section,
                                  std::string_view key, std::string_view value);
// Replaces the whole file with the document's text at once (written beside it,
// flushed, renamed): a crash leaves the old file or the new one, never neither,
// as deleting it and writing key by key would. An existing file keeps its mode.
// False when it could not be written or the text is larger than kIniMaxFileBytes
// (it would then read as missing).
[[nodiscard]] bool writeIniDocument(const std::filesystem::path& file, const IniDocument& document);
// The same replacement for any bytes, for files of other formats beside the INI
// files.
[[nodiscard]] bool writeFileWhole(const std::filesystem::path& file, std::string_view bytes);
// Deletes the file; true when it is gone afterwards.
[[nodiscard]] bool deleteIniFile(const std::filesystem::path& file);

}  // namespace qinghe
