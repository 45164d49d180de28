#include "common/run_directory.h"

#include <system_error>
#include <utility>

namespace qinghe {

namespace fs = std::filesystem;

fs::path executableDirectory() {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && executable.has_parent_path()) return executable.parent_path();
    // Without /proc the best guess left is where the program was started.
    return fs::current_path(ec);
}

RunDirectory::RunDirectory(fs::path root) : root_(std::move(root)) {
    // Kept without a trailing separator, as every suffix brings its own.
    while (!root_.has_filename() && root_.has_relative_path()) root_ = root_.parent_path();
}

fs::path RunDirectory::below(std::string_view suffix) const {
    fs::path path = root_;
    while (!suffix.empty()) {
        const std::size_t separator = suffix.find_first_of("\\/");
        const std::string_view component = suffix.substr(0, separator);
        if (!component.empty()) path /= component;
        if (separator == std::string_view::npos) break;
        suffix.remove_prefix(separator + 1);
    }
    return path;
}

}  // namespace qinghe
