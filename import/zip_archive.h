#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::import {

// A ZIP archive held in memory, read through libzip: its entries are read into
// memory, never written anywhere. Encrypted entries (the traditional PKWARE
// cipher and WinZip AES) open with their password.
class ZipArchive {
  public:
    // Entries larger than this are refused: a bill is a few megabytes, and a
    // small archive must not unpack into all of memory.
    static constexpr std::uint64_t kMaxEntryBytes = std::uint64_t{256} << 20;

    struct Entry {
        std::string name;  // as stored (often GBK, sometimes UTF-8)
        std::uint64_t size = 0;
        bool encrypted = false;
        bool folder = false;
    };

    enum class ReadError {
        NeedsPassword,  // encrypted, and no password was given
        WrongPassword,
        TooLarge,
        Damaged,  // unreadable data, a wrong checksum, an unknown method
    };
    struct ReadResult {
        std::optional<std::string> bytes;
        ReadError error = ReadError::Damaged;
    };

    // Nothing when the bytes are no ZIP archive libzip can read. The archive
    // reads from `bytes`, which must outlive it.
    static std::unique_ptr<ZipArchive> open(std::string_view bytes);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::vector<Entry>& entries() const { return entries_; }
    // The index of the entry of that exact name, if any.
    std::optional<std::size_t> find(std::string_view name) const;
    // An entry's bytes; `password` (raw bytes) for an encrypted one.
    ReadResult read(std::size_t index, const std::optional<std::string>& password = {}) const;

  private:
    struct Handle;
    explicit ZipArchive(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> handle_;
    std::vector<Entry> entries_;
};

// Whether bytes begin as a ZIP archive does (a local file header or an empty
// archive's end record).
bool looksLikeZip(std::string_view bytes);

}  // namespace qinghe::import
