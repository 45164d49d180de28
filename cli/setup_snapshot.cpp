#include "cli/setup_snapshot.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "common/temporary_folder.h"

namespace qinghe::cli {

namespace fs = std::filesystem;

namespace {

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
    const TemporaryFolder scratch("qinghe-cli-");
    if (!scratch.made()) return std::nullopt;
    const RunDirectory copy(scratch.path());
    if (!copyFiles(setupFolder(run), setupFolder(copy))) return std::nullopt;
    return loadSettings(copy, clock);
}

}  // namespace qinghe::cli
