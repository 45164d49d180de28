#include "cli/setup_snapshot.h"

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace qinghe::cli {

namespace fs = std::filesystem;

namespace {

// A temporary folder, removed with its contents when the object goes.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "qinghe-cli-XXXXXX").string();
        if (!error && ::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Copies the regular files of `from` (when it exists) into the new folder `to`.
bool copyFiles(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (!fs::create_directory(to, error)) return false;
    if (!fs::is_directory(from, error)) return true;
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        if (!fs::copy_file(it->path(), to / it->path().filename(), error)) return false;
    }
    return !error;
}

}  // namespace

std::optional<Settings> readSettingsUntouched(const RunDirectory& run, const Clock& clock) {
    ScratchFolder scratch;
    if (scratch.path().empty()) return std::nullopt;
    const RunDirectory copy(scratch.path());
    if (!copyFiles(setupFolder(run), setupFolder(copy))) return std::nullopt;
    return loadSettings(copy, clock);
}

}  // namespace qinghe::cli
