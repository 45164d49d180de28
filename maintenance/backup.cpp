#include "maintenance/backup.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "maintenance/backup_places.h"
#include "maintenance/generation_builder.h"
#include "maintenance/generation_settling.h"
#include "maintenance/generations.h"
#include "maintenance/restored_copies.h"

namespace qinghe {
namespace maintenance {

namespace fs = std::filesystem;

BackupOutcome makeBackup(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                         const BackupOptions& options) {
    BackupOutcome outcome;
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);
    // A restore that could not be finished: the live folders may be half
    // swapped, and a generation made now would be newer than the one the
    // restore puts in as the latest once it is finished. Or one whose copies
    // could not be made durable: they may not hold the restored bytes.
    if (ops.status(places.restoreJournal()).type != EntryType::Missing ||
        ops.status(places.restoreUnflushed()).type != EntryType::Missing)
        return outcome;

    std::vector<Source> sources;
    if (!listSources(ops, places, sources)) return outcome;
    const std::vector<Generation> generations = listGenerations(ops, places);
    if (anyUnsettled(ops, generations)) return outcome;
    const Generation* previous = generations.empty() ? nullptr : &generations.front();
    if (previous != nullptr && latestIsCurrent(ops, *previous, sources)) {
        outcome.complete = true;
        outcome.id = previous->id;
        return outcome;
    }

    Manifest manifest;
    manifest.id = nextGenerationId(clock.now(), idsOf(generations));
    manifest.created = clock.now();
    const fs::path building = places.building(static_cast<long>(::getpid()));
    std::map<std::string, const ManifestEntry*> previousEntries;
    if (previous != nullptr && previous->manifest) {
        for (const ManifestEntry& entry : previous->manifest->files)
            previousEntries[entry.target] = &entry;
    }
    // An unchanged file is linked to the previous generation's copy, never to
    // the live file, which goes on being written.
    const LinkChoice unchanged = [&](const Source& source) -> std::optional<LinkFrom> {
        if (const ManifestEntry* entry = unchangedCopy(ops, previous, previousEntries, source))
            return LinkFrom{previous->folder / entry->target, *entry};
        return std::nullopt;
    };
    const std::string boot = options.settleLater ? ops.bootId() : std::string();
    if (!buildGeneration(ops, building, sources, unchanged, manifest, outcome, boot) ||
        !swapInGeneration(ops, places, building, previous, outcome.previousLatestId)) {
        // Cleared by the next run when it cannot be removed now.
        static_cast<void>(ops.removeTree(building, places.runFolder));
        outcome.copiedFiles = outcome.linkedFiles = 0;
        outcome.previousLatestId.clear();
        return outcome;
    }
    outcome.complete = true;
    outcome.newGeneration = true;
    outcome.id = manifest.id;
    // Not before the new generation is on the disk.
    if (boot.empty()) pruneOlder(ops, places, options.generationsKept, options.keepAlso);
    return outcome;
}

void settleBackups(FolderOperations& ops, const RunDirectory& run, const BackupOptions& options) {
    const BackupPlaces places(run);
    // A restore's copies first: until they are on the disk, the generation
    // they came from is the only other copy of their bytes.
    const bool restoreSettled = ops.status(places.restoreJournal()).type == EntryType::Missing &&
                                settleRestoredCopies(ops, places);
    settleGenerations(ops, places);
    if (restoreSettled && !anyUnsettled(ops, listGenerations(ops, places)))
        pruneOlder(ops, places, options.generationsKept, options.keepAlso);
    finishRemovals(ops, places);
}

}  // namespace maintenance

bool runBackup(const RunDirectory& run) {
    maintenance::PosixFolderOperations ops;
    SystemClock clock;
    return maintenance::makeBackup(ops, run, clock, {readBackupsKept(run), {}}).complete;
}

}  // namespace qinghe
