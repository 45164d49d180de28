#pragma once

#include <string>

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// Swaps restored folders whose journal is written into the place of the live
// ones and puts the safety generation (when the restore made one) in as the
// latest, flushed. Safe to run again after any interruption. True when both
// are in place; `latestMovedTo` then tells the id the latest generation
// before it was moved aside under, if one was.
bool swapRestoredIn(FolderOperations& ops, const BackupPlaces& places,
                    std::string* latestMovedTo = nullptr);

// Removes the live folders a finished swap moved aside.
void removeMovedAside(FolderOperations& ops, const BackupPlaces& places);

// swapRestoredIn, then the copies the journal names made again from their
// generation (the restore that wrote it did not finish them), the journal
// removed and the folders moved aside too. Safe to run again after any
// interruption. True when all of it is done.
bool finishRestoreSwap(FolderOperations& ops, const BackupPlaces& places,
                       std::string* latestMovedTo = nullptr);

// Moves the live folders out of the way of an initialisation whose journal is
// written, removes the journal and then the folders. Safe to run again after
// any interruption. True when the live folders are gone.
bool finishInitialise(FolderOperations& ops, const BackupPlaces& places);

}  // namespace qinghe::maintenance
