#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/console_user.h"
#include "cli/run_session.h"
#include "common/clock.h"
#include "common/gbk.h"
#include "common/run_lock.h"
#include "maintenance/backup.h"
#include "maintenance/folder_operations.h"
#include "store/table_store.h"
#include "tables/schemas.h"

namespace qinghe::cli {
namespace {

struct RepairOptions {
    std::string table;
    std::string password = tables::kStorePassword;
};

// The run directory a table of the program lies in (data/, books/ or user/
// below it), when it looks like one.
std::optional<std::filesystem::path> runDirectoryOf(const std::filesystem::path& table) {
    const auto folder = std::filesystem::absolute(table).parent_path();
    const auto run = folder.parent_path();
    std::error_code error;
    if (std::filesystem::exists(run / kInstanceLockName, error) ||
        std::filesystem::exists(run / "books", error))
        return run;
    return std::nullopt;
}

// A run directory: what the program finishes first when it starts (a restore
// or an initialisation cut short) is finished.
int repairRunDirectory(const std::filesystem::path& folder) {
    maintenance::PosixFolderOperations folders;
    const auto left = maintenance::decidedWorkLeft(folders, RunDirectory(folder));
    RunSession session(folder, SessionUse::Writing);
    if (!session.ready()) return 1;
    switch (left) {
        case maintenance::UnfinishedWork::Restore:
            std::cout << "the unfinished restore was finished\n";
            break;
        case maintenance::UnfinishedWork::Initialisation:
            std::cout << "the unfinished initialisation was finished\n";
            break;
        case maintenance::UnfinishedWork::None:
            std::cout << "nothing to repair\n";
            break;
    }
    return 0;
}

int runRepair(const RepairOptions& options) {
    std::error_code error;
    if (std::filesystem::is_directory(options.table, error))
        return repairRunDirectory(options.table);
    auto password = utf8ToGbk(options.password);
    if (!password) {
        std::cerr << "the password cannot be written in GBK\n";
        return 2;
    }
    // Repairing writes: never while the program or another command works there.
    std::optional<RunLock> lock;
    if (auto run = runDirectoryOf(options.table)) {
        lock = RunLock::take(*run, RunLock::Kind::Exclusive, std::chrono::milliseconds(3000));
        if (!lock) {
            std::cerr << *run
                      << " is in use by the program or another command; nothing was "
                         "changed\n";
            return 1;
        }
    }
    store::PosixFileSystem files;
    SystemClock clock;
    store::TableStore tables(files, clock);
    // Opening to write is what repairs: an interrupted change is finished, an
    // unfinished append cut off, damage mended after the files were copied aside.
    if (!tables.open(options.table, "", *password)) {
        std::cerr << "cannot open " << options.table
                  << " (missing, damaged beyond repair, or another password)\n";
        return 2;
    }
    const auto& findings = tables.currentFile()->findings();
    for (const auto& finding : findings) std::cout << finding << "\n";
    if (findings.empty()) std::cout << "nothing to repair\n";
    if (!tables.closeAll()) {
        std::cerr << "the repaired table could not be written into its files; its change "
                     "log finishes the repair at the next open\n";
        return 1;
    }
    return 0;
}

}  // namespace

void addRepairCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RepairOptions>();
    CLI::App* command = app.add_subcommand(
        "repair",
        "Open a table to write, as the program does, which finishes an interrupted change and "
        "mends damage (the damaged files are first copied aside, named with the date); given a "
        "run directory, finish a restore or an initialisation cut short. Print what was done. "
        "Exit 0: done, 1: the folder is in use (or the restore cannot be finished), 2: the "
        "table cannot be opened");
    command->add_option("table", options->table, "The table's data file (.edb), or a run directory")
        ->required();
    command->add_option("--password", options->password,
                        "The table password; \"\" for a plain table (default: the store "
                        "password)");
    command->callback([options, &exitCode] { exitCode = runRepair(*options); });
}

}  // namespace qinghe::cli
