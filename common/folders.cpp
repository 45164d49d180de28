#include "common/folders.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace qinghe {

namespace fs = std::filesystem;

namespace {

// An absolute, normalised form of a path without a trailing separator; symbolic
// links in the existing folders above the last component are resolved, the last
// component itself is kept as it is so that a link is seen as a link.
fs::path resolvedParentForm(const fs::path& path, std::error_code& ec) {
    fs::path full = fs::absolute(path, ec).lexically_normal();
    if (ec) return {};
    if (!full.has_filename() && full != full.root_path()) full = full.parent_path();
    if (full == full.root_path()) return full;
    const fs::path parent = fs::weakly_canonical(full.parent_path(), ec);
    if (ec) return {};
    return parent / full.filename();
}

bool isStrictlyInside(const fs::path& inner, const fs::path& outer) {
    const auto [outerEnd, innerEnd] =
        std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return outerEnd == outer.end() && innerEnd != inner.end();
}

}  // namespace

int makeDirectoryPath(std::string_view path) {
    std::vector<std::string_view> components;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        components.push_back(path.substr(start, slash - start));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    // The empty first component is the root, as a drive designator is elsewhere.
    if (components.size() < 2 || !components.front().empty()) return 1;

    std::string current;
    bool lastExisted = false;
    for (std::size_t i = 1; i < components.size(); ++i) {
        const std::string_view component = components[i];
        if (component.empty() || component == "." || component == "..") return 1;
        current += '/';
        current += component;
        std::error_code ec;
        lastExisted = fs::is_directory(current, ec);
        if (!lastExisted && (!fs::create_directory(current, ec) || ec)) return 1;
    }
    return lastExisted ? 2 : 0;
}

bool deleteFolderTree(const fs::path& folder, const fs::path& runDirectory) {
    if (folder.empty() || runDirectory.empty()) return false;
    std::error_code ec;
    const fs::path target = resolvedParentForm(folder, ec);
    if (ec || target == target.root_path()) return false;
    const fs::path run = fs::weakly_canonical(runDirectory, ec);
    if (ec || !run.is_absolute() || !isStrictlyInside(target, run)) return false;
    // remove_all removes a symbolic link itself, never what it points to. A folder that
    // is already gone leaves nothing to do.
    fs::remove_all(target, ec);
    return !ec;
}

bool copyFileReplacing(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) && !ec;
}

std::vector<fs::path> findFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        // Links are left out: a link to a file elsewhere is not part of this folder.
        std::error_code statusError;
        if (it->symlink_status(statusError).type() == fs::file_type::regular) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace qinghe
