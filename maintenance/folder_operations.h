#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::maintenance {

// What a path is, as lstat sees it: a link is never followed.
enum class EntryType { Missing, Regular, Folder, Other };

struct FileStatus {
    EntryType type = EntryType::Missing;
    std::uint64_t size = 0;
    // Time of the last change of the contents, to the nanosecond.
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    // Same size and same modification time: unchanged, as rsync decides.
    bool sameContentStamp(const FileStatus& other) const {
        return size == other.size && modifiedSeconds == other.modifiedSeconds &&
               modifiedNanoseconds == other.modifiedNanoseconds;
    }
};

struct FolderEntry {
    std::string name;
    EntryType type = EntryType::Other;
};

enum class CopyResult { Copied, SourceGone, Failed };

struct CopyReport {
    CopyResult result = CopyResult::Failed;
    // The source as it was when the copy started and when it ended; when they
    // differ, it changed while it was copied.
    FileStatus before;
    FileStatus after;
};

// The thin layer through which backup, restore and initialisation reach the
// disk, so that tests can make any step fail. Reading calls answer what is
// there; every other call changes the disk or flushes it and reports whether
// it did.
class FolderOperations {
  public:
    virtual ~FolderOperations() = default;

    virtual FileStatus status(const std::filesystem::path& path) = 0;
    // The entries of a folder without "." and ".."; nothing when it cannot be
    // read (a missing folder included).
    virtual std::optional<std::vector<FolderEntry>> list(const std::filesystem::path& folder) = 0;
    // A whole small file; nothing when it is missing, unreadable or longer
    // than maxBytes.
    virtual std::optional<std::string> readFile(const std::filesystem::path& file,
                                                std::size_t maxBytes) = 0;
    // Whether two regular files (links are not followed) hold the same bytes;
    // false when either cannot be read.
    virtual bool sameContents(const std::filesystem::path& a, const std::filesystem::path& b) = 0;

    // A new folder; false when it cannot be made or the name is taken.
    [[nodiscard]] virtual bool makeFolder(const std::filesystem::path& folder) = 0;
    // A new file holding `bytes`, flushed to the disk.
    [[nodiscard]] virtual bool writeFile(const std::filesystem::path& file,
                                         std::string_view bytes) = 0;
    // A new file (the name must be free) with the bytes of a regular file;
    // not flushed (syncFile does that, so many copies can be flushed
    // together). A source that is a link or anything but a regular file fails.
    virtual CopyReport copyFile(const std::filesystem::path& from,
                                const std::filesystem::path& to) = 0;
    // Flushes a file's data to the disk.
    [[nodiscard]] virtual bool syncFile(const std::filesystem::path& file) = 0;
    // Flushes everything written to the file system that holds `path`: one
    // wait for the disk instead of one a file.
    [[nodiscard]] virtual bool syncFileSystem(const std::filesystem::path& path) = 0;
    // A second name for an existing file; false where the file system has no
    // hard links or refuses one more.
    [[nodiscard]] virtual bool hardLink(const std::filesystem::path& existing,
                                        const std::filesystem::path& link) = 0;
    // Renames a file or folder; the target name must be free.
    [[nodiscard]] virtual bool rename(const std::filesystem::path& from,
                                      const std::filesystem::path& to) = 0;
    // Removes a folder with everything below it, or a file; only strictly
    // inside `within`. Something already gone counts as removed.
    [[nodiscard]] virtual bool removeTree(const std::filesystem::path& path,
                                          const std::filesystem::path& within) = 0;
    // Makes the names created, renamed or removed in a folder durable.
    [[nodiscard]] virtual bool syncFolder(const std::filesystem::path& folder) = 0;
};

// The real disk through POSIX calls. Copies are made by the kernel
// (copy_file_range) where it can.
class PosixFolderOperations final : public FolderOperations {
  public:
    FileStatus status(const std::filesystem::path& path) override;
    std::optional<std::vector<FolderEntry>> list(const std::filesystem::path& folder) override;
    std::optional<std::string> readFile(const std::filesystem::path& file,
                                        std::size_t maxBytes) override;
    bool sameContents(const std::filesystem::path& a, const std::filesystem::path& b) override;
    [[nodiscard]] bool makeFolder(const std::filesystem::path& folder) override;
    [[nodiscard]] bool writeFile(const std::filesystem::path& file,
                                 std::string_view bytes) override;
    CopyReport copyFile(const std::filesystem::path& from,
                        const std::filesystem::path& to) override;
    [[nodiscard]] bool syncFile(const std::filesystem::path& file) override;
    [[nodiscard]] bool syncFileSystem(const std::filesystem::path& path) override;
    [[nodiscard]] bool hardLink(const std::filesystem::path& existing,
                                const std::filesystem::path& link) override;
    [[nodiscard]] bool rename(const std::filesystem::path& from,
                              const std::filesystem::path& to) override;
    [[nodiscard]] bool removeTree(const std::filesystem::path& path,
                                  const std::filesystem::path& within) override;
    [[nodiscard]] bool syncFolder(const std::filesystem::path& folder) override;
};

}  // namespace qinghe::maintenance
