#pragma once

#include <filesystem>
#include <vector>

namespace qinghe::ui {

// The user guide's first page (docs/guide/index.html in the sources), in the
// places it is looked for, in order: installed beside the program
// (../share/qinghe/guide), beside the executable (a portable copy), and the
// source tree the program was built from (runs from the build folder).
std::vector<std::filesystem::path> userGuidePlaces(const std::filesystem::path& executableFolder);

// The first of those that exists; empty when none does.
std::filesystem::path findUserGuide(const std::filesystem::path& executableFolder);

}  // namespace qinghe::ui
