#include "cli/run_session.h"

#include <iostream>
#include <system_error>
#include <utility>

#include "common/data_folder.h"
#include "config/settings.h"
#include "maintenance/backup.h"

namespace qinghe::cli {

namespace {

// The program's run directory is always absolute (its own folder), and the
// core's folder making relies on that.
std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(folder, error);
    return error ? folder : absolute.lexically_normal();
}

const char* workName(maintenance::UnfinishedWork work) {
    return work == maintenance::UnfinishedWork::Restore ? "a restore" : "an initialisation";
}

}  // namespace

bool unfinishedWorkTold(const std::filesystem::path& runDirectory) {
    maintenance::PosixFolderOperations folders;
    const auto work = maintenance::decidedWorkLeft(folders, RunDirectory(runDirectory));
    if (work == maintenance::UnfinishedWork::None) return false;
    std::cerr << workName(work) << " is unfinished in " << runDirectory
              << ": the ledgers read as they will be only once it is finished; run the program "
                 "or `qinghe-cli repair "
              << runDirectory.string() << "` to finish it\n";
    return true;
}

RunSession::RunSession(const std::filesystem::path& runDirectory, SessionUse use,
                       std::optional<std::string> ledgerPassword)
    : RunSession(std::optional<std::filesystem::path>(runDirectory), use,
                 std::move(ledgerPassword)) {}

RunSession::RunSession(const RunDirectoryArgument& runDirectory, SessionUse use,
                       std::optional<std::string> ledgerPassword)
    : RunSession(runDirectory.resolve(), use, std::move(ledgerPassword)) {}

RunSession::RunSession(const std::optional<std::filesystem::path>& runDirectory, SessionUse use,
                       std::optional<std::string> ledgerPassword)
    : user_(std::move(ledgerPassword)),
      state_(RunDirectory(runDirectory ? absoluteFolder(*runDirectory) : std::filesystem::path()),
             files_, clock_, user_) {
    // No folder: resolving it has said why.
    if (!runDirectory) return;
    state_.cacheFolder = cacheFolderOfThisProcess(state_.run.root());
    if (use == SessionUse::Reading) {
        lock_ = RunLock::take(state_.run.root(), RunLock::Kind::Shared);
        if (!lock_) {
            std::cerr << "the program is running on " << state_.run.root()
                      << " (or a command is changing it); close it first\n";
            return;
        }
        state_.tables.setReadOnly(true);
        // Half swapped in, the folders would read as damaged ledgers.
        if (unfinishedWorkTold(state_.run.root())) return;
    } else {
        lock_ = RunLock::take(state_.run.root(), RunLock::Kind::Exclusive, kLockWait);
        if (!lock_) {
            std::cerr << state_.run.root()
                      << " is in use by the program or another command; nothing was changed. "
                         "Close the program, or try again when the other command has finished\n";
            return;
        }
        // What the program does first when it starts: a restore or an
        // initialisation left unfinished is finished before any table is
        // written.
        maintenance::PosixFolderOperations folders;
        const auto left = maintenance::recoverInterruptedWork(folders, state_.run);
        if (left != maintenance::UnfinishedWork::None) {
            std::cerr << workName(left) << " cut short earlier cannot be finished in "
                      << state_.run.root()
                      << " (is the folder write-protected, or the disk full?); nothing was "
                         "changed\n";
            return;
        }
    }
    // Read as the program loads them, but without writing the files it would
    // write when they are missing: a command changes only what it is for.
    state_.settings = readSettings(state_.run, clock_);
    ready_ = true;
}

}  // namespace qinghe::cli
