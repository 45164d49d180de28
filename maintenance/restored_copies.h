#pragma once

#include <optional>
#include <string>

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"
#include "maintenance/generations.h"
#include "maintenance/restore_journal.h"

namespace qinghe::maintenance {

// The generation a restore's journal names, wherever it has moved since.
std::optional<Generation> restoredFrom(FolderOperations& ops, const BackupPlaces& places,
                                       const std::string& id);

// Makes every copy a journal names again from its generation, flushed, in
// the place of what is there. Safe to run again after any interruption.
bool copyRestoredAgain(FolderOperations& ops, const BackupPlaces& places,
                       const RestoreJournal& journal);

// Makes the copies a finished restore left unflushed durable, then forgets
// them: flushed while the machine still runs the boot they were written in
// (they are on their way to the disk), made again from the generation, which
// stays unchanged, once it has been started again (they may be lost). Safe
// to run again after any interruption. True when none is left.
bool settleRestoredCopies(FolderOperations& ops, const BackupPlaces& places);

}  // namespace qinghe::maintenance
