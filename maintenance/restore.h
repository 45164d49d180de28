#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/run_directory.h"
#include "config/settings.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

enum class RestoreResult {
    Restored,
    NoSuchGeneration,
    // The data as it is could not be kept in a generation first; nothing was
    // changed.
    NoSafetyGeneration,
    // The data is as it was before (also when a restore or initialisation
    // cut short earlier cannot be finished).
    Failed,
    // Complete on the disk but not yet swapped in: the next run finishes it,
    // so the program must not go on working on the data it has.
    Pending,
};

// Replaces "\books\" and "\data\" by copies of a generation's registry and
// data files (the latest when `id` is empty), and "\setup\" by its settings
// when it holds them (a generation made before they were kept has none: the
// settings then stay as they are). The user store stays as it is. Copies, never links to the
// generation: the restored files are written in place from then on and must not change it. A live
// file that holds exactly the bytes of the generation's copy is kept as it is.
//
// The new folders are built beside the live ones and flushed; a journal then
// marks them complete, and the swap that follows is finished by the next run
// should it be interrupted. Restored, the data is on the disk. Tables must be
// closed first.
RestoreResult restoreGeneration(FolderOperations& ops, const RunDirectory& run,
                                std::string_view id);

// The generation a restore makes of the data it replaces, so that it can be
// undone.
struct SafetyGeneration {
    double now = 0;  // its date and id
    // Generations kept once it is in place; the restored one is kept besides.
    std::int32_t generationsKept = kDefaultBackupsKept;
};

struct RestoreOutcome {
    RestoreResult result = RestoreResult::Failed;
    // The generation that holds the data of before the restore: the one the
    // restore made, or the latest when that held the data already. Empty
    // unless the restore was made (or is pending).
    std::string safetyId;
    bool newGeneration = false;
    // False when the live folders moved aside, or a generation beyond the
    // number kept, could not be removed; the next run or backup tries again.
    bool leftoversRemoved = true;
    // False when lastbackup could not be written to system.ini (set by
    // restoreChosen).
    bool lastBackupWritten = true;
};

// restoreGeneration that first keeps the data as it is in a generation of
// its own, at no cost of copies: the files the restore replaces are not
// deleted but become that generation (hard links made while they are still
// live, complete and flushed before the journal; the generation goes in as
// the latest with the swap). Where a link cannot be made the file is copied.
// A live file that stays (it holds the bytes being restored) is linked from
// the restored generation's copy instead, so no generation ever shares a
// file with the live data. When the latest generation holds the data
// already, none is made. Then the oldest generations beyond the number kept
// are removed.
RestoreOutcome restoreKeepingTheData(FolderOperations& ops, const RunDirectory& run,
                                     std::string_view id, const SafetyGeneration& safety);

enum class InitialiseResult {
    Initialised,
    Failed,  // nothing was removed
    // Decided but not finished: the next run finishes it, so the program must
    // not go on working on the folders as they are.
    Pending,
};

// Removes "\books\" and "\data\" with everything in them; the user store, the
// settings and the backup generations stay. Tables must be closed first.
[[nodiscard]] InitialiseResult initialiseData(FolderOperations& ops, const RunDirectory& run);

}  // namespace qinghe::maintenance
