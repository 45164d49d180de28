#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace qinghe::store {

// The thin layer through which the table store reaches the disk. Tests replace
// it to inject failed writes and crashes.
//
// A table reads ahead of a walk on a second thread: readAt may then run there
// at the same time as any call on the same File from the table's own thread,
// but never over bytes that such a call writes or cuts off.
class File {
  public:
    virtual ~File() = default;
    // Reads exactly length bytes; false on error or a short read.
    virtual bool readAt(std::uint64_t offset, void* data, std::size_t length) = 0;
    // Reads up to length bytes; the count read, or nothing on error.
    virtual std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                                  std::size_t length) = 0;
    [[nodiscard]] virtual bool writeAt(std::uint64_t offset, const void* data,
                                       std::size_t length) = 0;
    virtual std::optional<std::uint64_t> size() = 0;
    [[nodiscard]] virtual bool truncate(std::uint64_t length) = 0;
    // Makes the disk hold room for the file to grow to `length` bytes, without
    // changing its length: false when it has none (a full disk), so that a
    // change can be refused before anything of it is written.
    [[nodiscard]] virtual bool reserve(std::uint64_t length) = 0;
    // Flushes written data to the disk (fdatasync).
    [[nodiscard]] virtual bool sync() = 0;
};

enum class OpenMode {
    ReadWrite,  // an existing file
    Create,     // a new empty file, replacing one of the same name
    ReadOnly,   // an existing file that is only read: every change fails
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    virtual std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) = 0;
    virtual bool exists(const std::filesystem::path& path) = 0;
    [[nodiscard]] virtual bool remove(const std::filesystem::path& path) = 0;
    [[nodiscard]] virtual bool rename(const std::filesystem::path& from,
                                      const std::filesystem::path& to) = 0;
    // Makes a created, renamed or removed name in a folder durable.
    [[nodiscard]] virtual bool syncFolder(const std::filesystem::path& folder) = 0;
};

// The real disk, through POSIX calls.
class PosixFileSystem final : public FileSystem {
  public:
    std::unique_ptr<File> open(const std::filesystem::path& path, OpenMode mode) override;
    bool exists(const std::filesystem::path& path) override;
    [[nodiscard]] bool remove(const std::filesystem::path& path) override;
    [[nodiscard]] bool rename(const std::filesystem::path& from,
                              const std::filesystem::path& to) override;
    [[nodiscard]] bool syncFolder(const std::filesystem::path& folder) override;
};

}  // namespace qinghe::store
