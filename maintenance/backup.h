#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/run_directory.h"
#include "config/settings.h"
#include "maintenance/folder_operations.h"

namespace qinghe {

namespace maintenance {

struct BackupOptions {
    // Generations kept: the new latest and the newest older ones.
    std::int32_t generationsKept = kDefaultBackupsKept;
    // Ids never removed by this backup (a generation about to be restored).
    std::vector<std::string> keepAlso;
    // Returns once the generation is complete in the page cache and in
    // place; settleBackups, run afterwards (in the background), flushes it
    // and only then removes the oldest. Should the machine go down first,
    // the next run removes the new generation instead, and every earlier
    // one is there still.
    bool settleLater = false;
};

struct BackupOutcome {
    bool complete = false;
    // False when nothing had changed since the latest generation: that one
    // holds the data already and no new generation was made.
    bool newGeneration = false;
    std::string id;  // the generation that holds the data now
    // Where the latest generation before this backup lives now.
    std::string previousLatestId;
    std::uint64_t copiedFiles = 0;
    std::uint64_t linkedFiles = 0;
};

// Makes a backup generation of "\books\books.edb" (when there is one) and of
// every file below "\data\", flattened by file name into the generation's
// data folder (of two files with the same name the later in path order wins).
//
// The generation is built beside the others, flushed, and renamed to backup/
// only when it is complete; the latest one before it keeps its files under a
// dated name, and only then are the oldest beyond `generationsKept` removed.
// A file unchanged since the latest generation (same size and modification
// time to the nanosecond, per its manifest) is hard-linked to that
// generation's copy, never to the live file; where a link cannot be made it
// is copied. An interrupted or failed backup leaves every earlier generation
// as it was; what it left half-made is cleared by the next one.
BackupOutcome makeBackup(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                         const BackupOptions& options = {});

// What a backup made with settleLater, or a restore, left: the restored
// copies and the new generation flushed, then the oldest beyond the number
// kept removed.
void settleBackups(FolderOperations& ops, const RunDirectory& run, const BackupOptions& options);

// Finishes or undoes what an interrupted backup, restore or initialisation
// left in the run directory: a restore whose files were complete is swapped
// in, anything half-built is removed, and a latest generation that was being
// moved aside is put back, and generations left unflushed are settled (see
// generation_settling.h). Every maintenance operation starts with it.
void recoverInterruptedWork(FolderOperations& ops, const RunDirectory& run);

}  // namespace maintenance

// makeBackup on the real disk and clock, keeping the generations system.ini
// asks for. True when the data is in a complete generation.
[[nodiscard]] bool runBackup(const RunDirectory& run);

}  // namespace qinghe
