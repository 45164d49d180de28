#pragma once

#include <filesystem>

namespace qinghe::cli {

// Whether the program (or a command changing data) is running on
// `runDirectory`: it holds the folder's lock. The tool then keeps its hands off
// the tables, which the program holds open with its own caches.
bool programRunsOn(const std::filesystem::path& runDirectory);

}  // namespace qinghe::cli
