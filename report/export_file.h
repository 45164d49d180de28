#pragma once

#include <filesystem>
#include <string_view>

namespace qinghe::report {

// Whether a written file is flushed to the disk at once, or left for one
// flush of the whole file system after a batch (syncFileSystemOf).
enum class Flush { Now, Later };

// A file of the export, written whole or not at all: the bytes go into a new
// file beside it, which replaces the old one in one step when committed, so a
// failed or interrupted write never leaves half a file nor loses one that was
// there. A file never committed is removed.
class ExportFile {
  public:
    explicit ExportFile(std::filesystem::path path);
    ~ExportFile();
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    // False once anything failed (opening included); later writes do nothing.
    bool write(std::string_view bytes);
    // Makes the file what was written; false when anything failed.
    [[nodiscard]] bool commit(Flush flush = Flush::Now);

  private:
    std::filesystem::path path_;
    std::filesystem::path fresh_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
};

// Writes a whole file of the export at once, as ExportFile does. False when
// anything failed (nothing is left behind then).
[[nodiscard]] bool writeExportFile(const std::filesystem::path& path, std::string_view bytes,
                                   Flush flush = Flush::Now);

// Flushes the file system that holds `path` (after a batch written with
// Flush::Later); false when that failed.
[[nodiscard]] bool syncFileSystemOf(const std::filesystem::path& path);

}  // namespace qinghe::report
