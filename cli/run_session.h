#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cli/console_user.h"
#include "cli/run_directory_argument.h"
#include "common/clock.h"
#include "common/run_lock.h"
#include "session/app_state.h"
#include "store/file_layer.h"

namespace qinghe::cli {

// What a command does to a run directory.
enum class SessionUse {
    // Only reads: every table is opened read-only, nothing is written (not even
    // a repair), and the program must not be running on the folder. A restore
    // left unfinished is told, and the session is not ready.
    Reading,
    // Changes data: takes the folder's lock for itself (waiting briefly for
    // another command to finish), as the program does for its whole run, and
    // first finishes a restore or an initialisation left unfinished (not
    // ready when it cannot).
    Writing,
};

// Whether a restore or an initialisation is decided but unfinished in a run
// directory (its folders are then half swapped); says so, and how to finish
// it, on standard error.
bool unfinishedWorkTold(const std::filesystem::path& runDirectory);

// The core over one run directory, as one run of the program holds it: the
// real disk and clock, the console for the user, the settings loaded without
// writing. Commands check ready() first; when it is false the folder is in use
// (or none was given), and the reason has been printed.
class RunSession {
  public:
    // How long a writing command waits for the folder's lock.
    static constexpr std::chrono::milliseconds kLockWait{3000};

    // `ledgerPassword` (GBK) answers the ledger access-password form once.
    RunSession(const std::filesystem::path& runDirectory, SessionUse use,
               std::optional<std::string> ledgerPassword = std::nullopt);
    // The folder a command's [RUNDIR] / --data-dir stands for (the data folder
    // rule when neither is given); not ready when there is none.
    RunSession(const RunDirectoryArgument& runDirectory, SessionUse use,
               std::optional<std::string> ledgerPassword = std::nullopt);

    bool ready() const { return ready_; }
    AppState& state() { return state_; }
    // The console's answers, for commands that give more of them.
    ConsoleUser& user() { return user_; }

  private:
    RunSession(const std::optional<std::filesystem::path>& runDirectory, SessionUse use,
               std::optional<std::string> ledgerPassword);

    std::optional<RunLock> lock_;
    store::PosixFileSystem files_;
    SystemClock clock_;
    ConsoleUser user_;
    AppState state_;
    bool ready_ = false;
};

}  // namespace qinghe::cli
