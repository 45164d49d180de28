#pragma once

#include <string_view>

#include "common/run_directory.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

enum class RestoreResult {
    Restored,
    NoSuchGeneration,
    Failed,  // the data is as it was before
    // Complete on the disk but not yet swapped in: the next run finishes it,
    // so the program must not go on working on the data it has.
    Pending,
};

// Replaces "\books\" and "\data\" by copies of a generation's registry and
// data files (the latest when `id` is empty). The user store and the settings
// stay as they are. Copies, never links to the generation: the restored files
// are written in place from then on and must not change it. A live file that
// holds exactly the bytes of the generation's copy is kept as it is.
//
// The new folders are built beside the live ones and flushed; a journal then
// marks them complete, and the swap that follows is finished by the next run
// should it be interrupted. Tables must be closed first.
RestoreResult restoreGeneration(FolderOperations& ops, const RunDirectory& run,
                                std::string_view id);

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
