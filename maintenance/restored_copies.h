#pragma once

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// Makes the copies a finished restore left unflushed durable, then forgets
// them: flushed while the machine still runs the boot they were written in
// (they are on their way to the disk), made again from the generation, which
// stays unchanged, once it has been started again (they may be lost). Safe
// to run again after any interruption. True when none is left.
bool settleRestoredCopies(FolderOperations& ops, const BackupPlaces& places);

}  // namespace qinghe::maintenance
