#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/clock.h"
#include "common/run_directory.h"
#include "common/run_lock.h"
#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "maintenance/maintenance_actions.h"

// Backups for scripts, cron and systemd timers: the same generations, through
// the same core functions, as the program's own backup and restore.

namespace qinghe::cli {
namespace {

namespace fs = std::filesystem;

struct BackupOptions {
    RunDirectoryArgument runDirectory;
    std::string id;
    bool withoutBackup = false;
};

// The run directory, absolute as the program's own always is, with its lock
// held for the command's run; nothing when the program is running on it (it
// holds the tables open and makes its own backups) or another command changes it.
struct LockedRun {
    RunDirectory run;
    RunLock lock;
};

std::optional<LockedRun> runDirectoryToWorkOn(const RunDirectoryArgument& argument,
                                              RunLock::Kind kind) {
    const std::optional<fs::path> folder = argument.resolve();
    if (!folder) return std::nullopt;
    std::error_code error;
    fs::path absolute = fs::absolute(*folder, error);
    if (error) absolute = *folder;
    absolute = absolute.lexically_normal();
    auto lock = RunLock::take(
        absolute, kind,
        kind == RunLock::Kind::Exclusive ? RunSession::kLockWait : std::chrono::milliseconds{});
    if (!lock) {
        std::cerr << "the program is running on " << absolute
                  << " (or another command is changing it); close it first\n";
        return std::nullopt;
    }
    return LockedRun{RunDirectory(absolute), std::move(*lock)};
}

JsonLine generationLine(maintenance::FolderOperations& ops,
                        const maintenance::Generation& generation) {
    const maintenance::GenerationSize size = maintenance::measureGeneration(ops, generation);
    return {{"id", generation.id},         {"date", maintenance::dateTimeText(generation.created)},
            {"latest", generation.latest}, {"files", size.files},
            {"bytes", size.bytes},         {"folder", generation.folder.filename().string()}};
}

int runBackupCommand(const BackupOptions& options) {
    const auto locked = runDirectoryToWorkOn(options.runDirectory, RunLock::Kind::Exclusive);
    if (!locked) return 1;
    const RunDirectory* run = &locked->run;
    maintenance::PosixFolderOperations ops;
    SystemClock clock;
    const maintenance::BackupOutcome outcome =
        maintenance::backUpAndRecord(ops, *run, clock, nullptr);
    if (!outcome.complete) {
        std::cerr << "the backup failed; the earlier backups are as they were\n";
        return 1;
    }
    printLine({{"id", outcome.id},
               {"new", outcome.newGeneration},
               {"copied", outcome.copiedFiles},
               {"linked", outcome.linkedFiles}});
    return 0;
}

int runBackupsCommand(const BackupOptions& options) {
    const auto locked = runDirectoryToWorkOn(options.runDirectory, RunLock::Kind::Shared);
    if (!locked) return 1;
    const RunDirectory* run = &locked->run;
    maintenance::PosixFolderOperations ops;
    for (const maintenance::Generation& generation :
         maintenance::listGenerations(ops, maintenance::BackupPlaces(*run)))
        printLine(generationLine(ops, generation));
    return 0;
}

int runRestoreCommand(const BackupOptions& options) {
    const auto locked = runDirectoryToWorkOn(options.runDirectory, RunLock::Kind::Exclusive);
    if (!locked) return 1;
    const RunDirectory* run = &locked->run;
    maintenance::PosixFolderOperations ops;
    SystemClock clock;
    const auto chosen = maintenance::findGeneration(
        maintenance::listGenerations(ops, maintenance::BackupPlaces(*run)), options.id);
    if (!chosen) {
        std::cerr << (options.id.empty() ? "there is no backup to restore"
                                         : "there is no backup " + options.id)
                  << " (see: qinghe-cli backups " << run->root().string() << ")\n";
        return 1;
    }
    maintenance::RestoreOutcome outcome =
        maintenance::restoreChosen(ops, *run, clock, nullptr, *chosen, true);
    if (outcome.result == maintenance::RestoreResult::NoSafetyGeneration) {
        if (!options.withoutBackup) {
            std::cerr << "the data as it is could not be backed up first, so the restore could "
                         "not be undone; nothing was changed (--without-backup restores all the "
                         "same)\n";
            return 1;
        }
        outcome = maintenance::restoreChosen(ops, *run, clock, nullptr, *chosen, false);
    }
    switch (outcome.result) {
        case maintenance::RestoreResult::Restored:
            // A script expects the folder settled when the command returns.
            maintenance::settleBackups(ops, *run, {readBackupsKept(*run), {}});
            printLine({{"restored", chosen->id},
                       {"backup", outcome.safetyId.empty() ? JsonLine(nullptr)
                                                           : JsonLine(outcome.safetyId)}});
            return 0;
        case maintenance::RestoreResult::Pending:
            std::cerr << "the restore is complete on the disk but could not be put in place; "
                         "the next start of the program or the next backup finishes it\n";
            return 1;
        case maintenance::RestoreResult::NoSuchGeneration:
        case maintenance::RestoreResult::NoSafetyGeneration:
        case maintenance::RestoreResult::Failed:
            break;
    }
    std::cerr << "the restore failed; the data is as it was\n";
    return 1;
}

CLI::App* withRunDirectory(CLI::App* command, BackupOptions& options) {
    addRunDirectory(command, options.runDirectory);
    return command;
}

}  // namespace

void addBackupCommands(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<BackupOptions>();
    CLI::App* backup = withRunDirectory(
        app.add_subcommand("backup",
                           "Back the ledgers up as the program does at start: a new generation "
                           "in backup/ (unchanged files hard-linked), the oldest beyond the number "
                           "kept removed; prints it as a JSON line. Exit 0 when it completed"),
        *options);
    backup->callback([options, &exitCode] { exitCode = runBackupCommand(*options); });

    CLI::App* backups = withRunDirectory(
        app.add_subcommand("backups",
                           "List the backup generations as JSON lines, newest first: id, date, "
                           "latest, files, bytes, folder"),
        *options);
    backups->callback([options, &exitCode] { exitCode = runBackupsCommand(*options); });

    CLI::App* restore = withRunDirectory(
        app.add_subcommand(
            "restore",
            "Restore a backup generation (the latest without an id) as \"数据库还原...\" does: the "
            "data it replaces becomes the newest generation, the login password and the settings "
            "stay"),
        *options);
    restore->add_option("id", options->id, "A generation's id, as `backups` lists it");
    restore->add_flag("--without-backup", options->withoutBackup,
                      "Restore even when the data as it is cannot be backed up first");
    restore->callback([options, &exitCode] { exitCode = runRestoreCommand(*options); });
}

}  // namespace qinghe::cli
