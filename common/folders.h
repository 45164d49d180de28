#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace qinghe {

// Creates every missing folder of an absolute path, one component at a time.
// Fewer than two components or a relative path give 1 and create nothing; an
// empty component, "." or ".." stops the walk with 1 (folders made so far stay),
// as does a trailing "/" after the last real folder was made. 2 when the last
// component already existed, 0 when all were handled; a failed creation gives 1.
int makeDirectoryPath(std::string_view path);

// Removes a folder with everything below it. Refuses (false) "/", the run
// directory itself and anything not strictly inside the run directory. A link is
// removed itself, never what it points to; a folder that does not exist gives true.
[[nodiscard]] bool deleteFolderTree(const std::filesystem::path& folder,
                                    const std::filesystem::path& runDirectory);

// Copies a file, replacing an existing target.
[[nodiscard]] bool copyFileReplacing(const std::filesystem::path& from,
                                     const std::filesystem::path& to);

// Every regular file below a folder (recursively), sorted; empty when the folder
// does not exist.
std::vector<std::filesystem::path> findFiles(const std::filesystem::path& folder);

}  // namespace qinghe
