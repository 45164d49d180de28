#include "maintenance/backup.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "maintenance/backup_places.h"
#include "maintenance/generation_builder.h"
#include "maintenance/generations.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

BackupOutcome makeBackup(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                         std::int32_t generationsKept) {
    BackupOutcome outcome;
    const BackupPlaces places(run);
    // A restore or an initialisation that could not be finished: the live
    // folders may be half swapped, and a generation made now would be newer
    // than the one a restore puts in as the latest once it is finished.
    switch (recoverInterruptedWork(ops, run)) {
        case UnfinishedWork::None:
            break;
        case UnfinishedWork::Restore:
            outcome.failure = BackupFailure::RestoreUnfinished;
            return outcome;
        case UnfinishedWork::Initialisation:
            outcome.failure = BackupFailure::InitialisationUnfinished;
            return outcome;
    }

    std::vector<Source> sources;
    if (!listSources(ops, places, sources)) {
        outcome.failure = BackupFailure::DataUnreadable;
        return outcome;
    }
    const std::vector<Generation> generations = listGenerations(ops, places);
    const Generation* previous = generations.empty() ? nullptr : &generations.front();
    if (previous != nullptr && latestIsCurrent(ops, *previous, sources)) {
        outcome.complete = true;
        outcome.failure = BackupFailure::None;
        outcome.id = previous->id;
        return outcome;
    }

    Manifest manifest;
    manifest.id = nextGenerationId(clock.now(), idsOf(generations));
    manifest.created = clock.now();
    const fs::path building = places.building(static_cast<long>(::getpid()));
    const ManifestByTarget previousEntries = manifestByTarget(previous);
    // An unchanged file is linked to the previous generation's copy, never to
    // the live file, which goes on being written.
    const LinkChoice unchanged = [&](const Source& source) -> std::optional<LinkFrom> {
        if (const ManifestEntry* entry = unchangedCopy(ops, previous, previousEntries, source))
            return LinkFrom{previous->folder / entry->target, *entry};
        return std::nullopt;
    };
    if (!buildGeneration(ops, building, sources, unchanged, manifest, outcome) ||
        !swapInGeneration(ops, places, building, previous, outcome.previousLatestId)) {
        // Cleared by the next run when it cannot be removed now.
        static_cast<void>(ops.removeTree(building, places.runFolder));
        outcome.copiedFiles = outcome.linkedFiles = 0;
        outcome.previousLatestId.clear();
        return outcome;
    }
    outcome.complete = true;
    outcome.failure = BackupFailure::None;
    outcome.newGeneration = true;
    outcome.id = manifest.id;
    // Not before the new generation is on the disk.
    outcome.olderRemoved =
        takeOutOlder(ops, places, generationsKept, {}) && removeTakenOut(ops, places);
    return outcome;
}

}  // namespace qinghe::maintenance
