#include "app/chooser_folders.h"

#include <system_error>

namespace qinghe::ui {
namespace {

namespace fs = std::filesystem;

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path.lexically_normal() : full;
}

// Whether `path` is `folder` or lies below it, links resolved.
bool within(const fs::path& path, const fs::path& folder) {
    const fs::path inner = resolved(path), outer = resolved(folder);
    auto part = inner.begin();
    for (const fs::path& component : outer) {
        if (component.empty()) continue;  // a trailing separator
        if (part == inner.end() || *part != component) return false;
        ++part;
    }
    return true;
}

}  // namespace

ChooserFolders::ChooserFolders(fs::path dataFolder, fs::path home)
    : dataFolder_(std::move(dataFolder)), home_(std::move(home)) {}

bool ChooserFolders::usable(const fs::path& folder) const {
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) return false;
    return dataFolder_.empty() || !within(folder, dataFolder_);
}

fs::path ChooserFolders::startFolder(const fs::path& requested) const {
    if (usable(requested)) return requested;
    if (usable(last_)) return last_;
    return home_;
}

void ChooserFolders::used(const fs::path& folder) {
    if (usable(folder)) last_ = folder;
}

}  // namespace qinghe::ui
