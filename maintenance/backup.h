#pragma once

#include <cstdint>
#include <string>

#include "common/clock.h"
#include "common/run_directory.h"
#include "config/settings.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// Why a backup did not complete. Every earlier generation is as it was.
enum class BackupFailure {
    None,
    // A folder of the data could not be read: a backup that left files out
    // would stand for a complete one.
    DataUnreadable,
    // A copy, a flush or a rename failed (a full disk, a folder that cannot
    // be written).
    WriteFailed,
    // A restore or an initialisation was cut short and cannot be finished
    // now: the live folders may be half swapped.
    RestoreUnfinished,
    InitialisationUnfinished,
};

struct BackupOutcome {
    bool complete = false;
    BackupFailure failure = BackupFailure::WriteFailed;  // None when complete
    // False when nothing had changed since the latest generation: that one
    // holds the data already and no new generation was made.
    bool newGeneration = false;
    std::string id;  // the generation that holds the data now
    // Where the latest generation before this backup lives now.
    std::string previousLatestId;
    std::uint64_t copiedFiles = 0;
    std::uint64_t linkedFiles = 0;
    // False when a generation beyond the number kept could not be removed;
    // the next backup tries again.
    bool olderRemoved = true;
    // False when lastbackup could not be written to system.ini (set by
    // backUpAndRecord); the periodic backup then only comes early.
    bool lastBackupWritten = true;
};

// Makes a backup generation of "\books\books.edb" (when there is one), of
// every file below "\data\", flattened by file name into the generation's
// data folder (of two files with the same name the later in path order wins),
// and of the settings files in "\setup\" (the lists, the start date and
// initial amount, system.ini).
//
// The generation is built beside the others, flushed, and renamed to backup/
// only when it is complete; the latest one before it keeps its files under a
// dated name, and only then are the oldest beyond `generationsKept` (the new
// latest and the newest older ones) removed.
// A file unchanged since the latest generation (same size and modification
// time to the nanosecond, per its manifest) is hard-linked to that
// generation's copy, never to the live file; where a link cannot be made it
// is copied. An interrupted or failed backup leaves every earlier generation
// as it was; what it left half-made is cleared by the next one.
BackupOutcome makeBackup(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                         std::int32_t generationsKept = kDefaultBackupsKept);

// What a cut-short restore or initialisation left that could not be finished.
enum class UnfinishedWork { None, Restore, Initialisation };

// Finishes or undoes what an interrupted backup, restore or initialisation
// left in the run directory: a restore whose files were complete is swapped
// in, an initialisation whose journal is down is finished, anything
// half-built is removed, and a latest generation that was being moved aside
// is put back. Every maintenance operation starts with it. Tells what is
// still unfinished: nothing may then work on the live folders or build on
// the generations.
UnfinishedWork recoverInterruptedWork(FolderOperations& ops, const RunDirectory& run);
// The same question without changing anything, for readers: a restore or an
// initialisation decided (its journal down) and not finished, so the live
// folders are not yet what they will be. What was given up before it was
// decided left them as they were, and is not told.
UnfinishedWork decidedWorkLeft(FolderOperations& ops, const RunDirectory& run);

}  // namespace qinghe::maintenance
