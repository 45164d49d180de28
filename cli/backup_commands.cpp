#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/standard_messages.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "maintenance/maintenance_actions.h"

// Backups for scripts, cron and systemd timers: the same generations, through
// the same core functions, as the program's own backup and restore. Each
// command exits 0 only when every step of it was done.

namespace qinghe::cli {
namespace {

struct BackupOptions {
    RunDirectoryArgument runDirectory;
    std::string id;
    bool withoutBackup = false;
};

JsonLine generationLine(maintenance::FolderOperations& ops,
                        const maintenance::Generation& generation) {
    const maintenance::GenerationSize size = maintenance::measureGeneration(ops, generation);
    return {{"id", generation.id},         {"date", maintenance::dateTimeText(generation.created)},
            {"latest", generation.latest}, {"files", size.files},
            {"bytes", size.bytes},         {"folder", generation.folder.filename().string()}};
}

// The steps after the data is safe: each failure said, false when any failed.
bool tidiedUp(bool leftoversRemoved, bool lastBackupWritten) {
    if (!leftoversRemoved)
        std::cerr << "an older backup or a folder left over could not be removed (is the folder "
                     "write-protected?); the next backup tries again\n";
    if (!lastBackupWritten)
        std::cerr << "the date of the backup could not be written to setup/system.ini\n";
    return leftoversRemoved && lastBackupWritten;
}

int runBackupCommand(const BackupOptions& options) {
    RunSession session(options.runDirectory, SessionUse::Writing);
    if (!session.ready()) return 1;
    AppState& state = session.state();
    maintenance::PosixFolderOperations ops;
    const maintenance::BackupOutcome outcome =
        maintenance::backUpAndRecord(ops, state.run, state.clock, &state.settings);
    if (!outcome.complete) {
        showError(session.user(), maintenance::backupFailureText(outcome.failure));
        return 1;
    }
    printLine({{"id", outcome.id},
               {"new", outcome.newGeneration},
               {"copied", outcome.copiedFiles},
               {"linked", outcome.linkedFiles}});
    return tidiedUp(outcome.olderRemoved, outcome.lastBackupWritten) ? 0 : 1;
}

int runBackupsCommand(const BackupOptions& options) {
    RunSession session(options.runDirectory, SessionUse::Reading);
    if (!session.ready()) return 1;
    maintenance::PosixFolderOperations ops;
    for (const maintenance::Generation& generation :
         maintenance::listGenerations(ops, maintenance::BackupPlaces(session.state().run)))
        printLine(generationLine(ops, generation));
    return 0;
}

int runRestoreCommand(const BackupOptions& options) {
    RunSession session(options.runDirectory, SessionUse::Writing);
    if (!session.ready()) return 1;
    AppState& state = session.state();
    maintenance::PosixFolderOperations ops;
    const auto chosen = maintenance::findGeneration(
        maintenance::listGenerations(ops, maintenance::BackupPlaces(state.run)), options.id);
    if (!chosen) {
        std::cerr << (options.id.empty() ? "there is no backup to restore"
                                         : "there is no backup " + options.id)
                  << " (see: qinghe-cli backups " << state.run.root().string() << ")\n";
        return 1;
    }
    maintenance::RestoreOutcome outcome =
        maintenance::restoreChosen(ops, state.run, state.clock, &state.settings, *chosen, true);
    if (outcome.result == maintenance::RestoreResult::NoSafetyGeneration) {
        if (!options.withoutBackup) {
            std::cerr << "the data as it is could not be backed up first, so the restore could "
                         "not be undone; nothing was changed (--without-backup restores all the "
                         "same)\n";
            return 1;
        }
        outcome = maintenance::restoreChosen(ops, state.run, state.clock, &state.settings, *chosen,
                                             false);
    }
    switch (outcome.result) {
        case maintenance::RestoreResult::Restored:
            // On the disk now, the data of before it kept as the newest backup.
            printLine({{"restored", chosen->id},
                       {"backup", outcome.safetyId.empty() ? JsonLine(nullptr)
                                                           : JsonLine(outcome.safetyId)}});
            return tidiedUp(outcome.leftoversRemoved, outcome.lastBackupWritten) ? 0 : 1;
        case maintenance::RestoreResult::Pending: {
            const maintenance::BackupPlaces places(state.run);
            const bool inPlace =
                ops.status(places.restoring(places.books)).type ==
                    maintenance::EntryType::Missing &&
                ops.status(places.restoring(places.data)).type == maintenance::EntryType::Missing;
            std::cerr << (inPlace ? "the restored data is in place, but the restore could not "
                                    "be finished (the data of before it kept as a backup, its "
                                    "journal removed)"
                                  : "the restore is complete on the disk but could not be put "
                                    "in place")
                      << "; the next start of the program, the next backup or `qinghe-cli "
                         "repair "
                      << state.run.root().string() << "` finishes it\n";
            return 1;
        }
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
