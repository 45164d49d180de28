#include "cli/run_session.h"

#include <iostream>
#include <system_error>
#include <utility>

#include "cli/running_program.h"
#include "cli/setup_snapshot.h"

namespace qinghe::cli {

namespace {

// The program's run directory is always absolute (its own folder), and the
// core's folder making relies on that.
std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute.lexically_normal();
}

}  // namespace

RunSession::RunSession(const std::filesystem::path& runDirectory,
                       std::optional<std::string> ledgerPassword)
    : user_(std::move(ledgerPassword)),
      state_(RunDirectory(absoluteFolder(runDirectory)), files_, clock_, user_) {
    if (programRunsOn(state_.run.root())) {
        std::cerr << "the program is running on " << runDirectory
                  << "; close it first (its lock: " << kInstanceLockName << ")\n";
        return;
    }
    std::optional<Settings> settings = readSettingsUntouched(state_.run, clock_);
    if (!settings) {
        std::cerr << "cannot read the settings of " << runDirectory
                  << " (no temporary folder to read them in)\n";
        return;
    }
    state_.settings = std::move(*settings);
    ready_ = true;
}

}  // namespace qinghe::cli
