#include "cli/running_program.h"

#include "common/run_lock.h"

namespace qinghe::cli {

bool programRunsOn(const std::filesystem::path& runDirectory) {
    // The program holds the folder's lock for its whole run; the kernel drops
    // it however the program ends.
    return !RunLock::take(runDirectory, RunLock::Kind::Shared).has_value();
}

}  // namespace qinghe::cli
