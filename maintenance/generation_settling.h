#pragma once

#include <string>
#include <vector>

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"
#include "maintenance/generations.h"

namespace qinghe::maintenance {

// A generation whose copies were left to reach the disk on their own names
// the boot it was made in in this file, written before its manifest.
inline constexpr char kUnflushedName[] = "unflushed.txt";

std::string unflushedText(const std::string& boot);

// Whether a generation still waits to be settled.
bool isUnsettled(FolderOperations& ops, const Generation& generation);

// Settles every generation whose copies were not flushed: while the machine
// still runs the boot they were written in, they are flushed and the
// generation is kept; after a new boot (or when that cannot be told) they may
// have been lost, and the generation is removed: the live data it copied is
// still there, and every earlier generation was kept for it. Safe to run
// again after any interruption.
void settleGenerations(FolderOperations& ops, const BackupPlaces& places);

// One that could not be settled: nothing may build on the generations then.
bool anyUnsettled(FolderOperations& ops, const std::vector<Generation>& generations);

}  // namespace qinghe::maintenance
