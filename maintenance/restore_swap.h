#pragma once

#include <string>

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// Swaps restored folders whose journal is written into the place of the live
// ones, puts the safety generation (when the restore made one) in as the
// latest, removes the journal and then the live folders moved aside. Safe to
// run again after any interruption. True when the restored folders and the
// safety generation are in place, flushed, and the journal is gone;
// `latestMovedTo` then tells the id the latest generation before it was
// moved aside under, if one was, and `leftoversRemoved` whether the folders
// moved aside are gone too (the next run removes them otherwise).
bool finishRestoreSwap(FolderOperations& ops, const BackupPlaces& places,
                       std::string* latestMovedTo = nullptr, bool* leftoversRemoved = nullptr);

// Moves the live folders out of the way of an initialisation whose journal is
// written, removes the journal and then the folders. Safe to run again after
// any interruption. True when the live folders are gone.
bool finishInitialise(FolderOperations& ops, const BackupPlaces& places);

}  // namespace qinghe::maintenance
