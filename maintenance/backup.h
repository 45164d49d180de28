#pragma once

#include "common/run_directory.h"

namespace qinghe {

// Makes the single backup: "\backup\books\books.edb" from the ledger registry (when
// there is one) and every file below "\data\", flattened by file name into
// "\backup\data\" (of two files with the same name the later in path order wins).
//
// The new backup is built beside the old one, flushed, and swapped in only when it
// is complete; until then the previous backup stays as it was. Leftovers of an
// interrupted earlier run are cleared up first. True when the new backup is in place;
// false leaves the previous one untouched. Callers may ignore the result.
[[nodiscard]] bool runBackup(const RunDirectory& run);

}  // namespace qinghe
