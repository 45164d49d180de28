#pragma once

#include <filesystem>
#include <string_view>

namespace qinghe::report {

// Whether a written file is flushed to the disk at once, or left for one
// flush of the whole file system after a batch (syncFileSystemOf).
enum class Flush { Now, Later };

// Writes a file of the export whole: the bytes go into a new file beside it,
// which then replaces the old one in one step, so a failed or interrupted
// write never leaves half a file nor loses one that was there. False when
// anything failed (nothing is left behind then).
[[nodiscard]] bool writeExportFile(const std::filesystem::path& path, std::string_view bytes,
                                   Flush flush = Flush::Now);

// Flushes the file system that holds `path` (after a batch written with
// Flush::Later); false when that failed.
[[nodiscard]] bool syncFileSystemOf(const std::filesystem::path& path);

}  // namespace qinghe::report
