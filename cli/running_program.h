#pragma once

#include <filesystem>

namespace qinghe::cli {

// Whether the program is running on `runDirectory`: its lock file names a
// process that is alive. The tool then keeps its hands off the tables, which
// the program holds open with its own caches.
bool programRunsOn(const std::filesystem::path& runDirectory);

}  // namespace qinghe::cli
