#pragma once

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// Swaps restored folders whose journal is written into the place of the live
// ones, removes the journal and then the folders moved aside. Safe to run
// again after any interruption. True when the restored folders are in place.
bool finishRestoreSwap(FolderOperations& ops, const BackupPlaces& places);

// Moves the live folders out of the way of an initialisation whose journal is
// written, removes the journal and then the folders. Safe to run again after
// any interruption. True when the live folders are gone.
bool finishInitialise(FolderOperations& ops, const BackupPlaces& places);

}  // namespace qinghe::maintenance
