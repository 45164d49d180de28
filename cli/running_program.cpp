#include "cli/running_program.h"

#include <signal.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "common/run_directory.h"

namespace qinghe::cli {

bool programRunsOn(const std::filesystem::path& runDirectory) {
    std::ifstream lock(runDirectory / kInstanceLockName);
    long long pid = 0;
    if (!(lock >> pid) || pid <= 0) return false;
    // EPERM: alive, but another user's.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace qinghe::cli
