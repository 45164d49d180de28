#include <vector>

#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generation_builder.h"
#include "maintenance/generations.h"
#include "maintenance/restore_swap.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

bool exists(FolderOperations& ops, const fs::path& path) {
    return ops.status(path).type != EntryType::Missing;
}

// Removes what is there. False when nothing was there, or it could not be
// removed now (the next run tries again).
bool removeIfThere(FolderOperations& ops, const BackupPlaces& places, const fs::path& path) {
    return exists(ops, path) && ops.removeTree(path, places.runFolder);
}

// The restored folders in place of the live ones, the live ones moved aside.
bool swapRestoredIn(FolderOperations& ops, const BackupPlaces& places, std::string* latestMovedTo) {
    for (const fs::path& live : places.restoredFolders()) {
        const fs::path restored = places.restoring(live);
        if (!exists(ops, restored)) continue;  // swapped in already
        const fs::path before = places.beforeRestore(live);
        if (exists(ops, live)) {
            if (!exists(ops, before)) {
                if (!ops.rename(live, before)) return false;
            } else if (!ops.removeTree(live, places.runFolder)) {
                // Made after the interruption, before the restore was finished;
                // the data from before the restore is in `before` and in the
                // safety generation.
                return false;
            }
        }
        if (!ops.rename(restored, live)) return false;
    }
    // The data the restore replaced, kept as a generation: complete before
    // the journal was written, it goes in as the latest. Its files are those
    // of the folders moved aside, which nothing writes any more.
    if (exists(ops, places.safetyGeneration())) {
        const std::vector<Generation> generations = listGenerations(ops, places);
        std::string movedTo;
        if (!swapInGeneration(ops, places, places.safetyGeneration(),
                              generations.empty() ? nullptr : &generations.front(), movedTo))
            return false;
        if (latestMovedTo != nullptr) *latestMovedTo = movedTo;
    }
    return ops.syncFolder(places.runFolder);
}

}  // namespace

bool finishRestoreSwap(FolderOperations& ops, const BackupPlaces& places,
                       std::string* latestMovedTo, bool* leftoversRemoved) {
    if (!swapRestoredIn(ops, places, latestMovedTo) ||
        !ops.removeTree(places.restoreJournal(), places.runFolder))
        return false;
    // Should the removal of the journal not reach the disk, the next run
    // finds the swap done and removes it again.
    static_cast<void>(ops.syncFolder(places.runFolder));
    bool removed = true;
    for (const fs::path& live : places.restoredFolders()) {
        const fs::path before = places.beforeRestore(live);
        removed = (!exists(ops, before) || ops.removeTree(before, places.runFolder)) && removed;
    }
    if (leftoversRemoved != nullptr) *leftoversRemoved = removed;
    return true;
}

bool finishInitialise(FolderOperations& ops, const BackupPlaces& places) {
    // Each folder moved out at once, and deleted only afterwards: what a
    // failed deletion leaves is not where the program looks.
    for (const fs::path& live : {places.data, places.books}) {
        if (!exists(ops, live)) continue;
        const fs::path removing = places.removing(live);
        if (exists(ops, removing) && !ops.removeTree(removing, places.runFolder)) return false;
        if (!ops.rename(live, removing)) return false;
    }
    if (!ops.syncFolder(places.runFolder) ||
        !ops.removeTree(places.initialiseJournal(), places.runFolder))
        return false;
    static_cast<void>(ops.syncFolder(places.runFolder));
    for (const fs::path& live : {places.data, places.books})
        static_cast<void>(removeIfThere(ops, places, places.removing(live)));
    return true;
}

UnfinishedWork recoverInterruptedWork(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    UnfinishedWork unfinished = UnfinishedWork::None;
    bool changed = false;

    // A restore: decided once its journal is down, half-built before.
    if (exists(ops, places.restoreJournal())) {
        if (!finishRestoreSwap(ops, places)) unfinished = UnfinishedWork::Restore;
    } else {
        for (const fs::path& live : places.restoredFolders()) {
            changed = removeIfThere(ops, places, places.restoring(live)) || changed;
            changed = removeIfThere(ops, places, places.beforeRestore(live)) || changed;
        }
        // Made of links to the live files, which are live still.
        changed = removeIfThere(ops, places, places.safetyGeneration()) || changed;
        changed = removeIfThere(ops, places, places.restoreJournalBeingWritten()) || changed;
    }
    // An initialisation: decided once its journal is down.
    if (exists(ops, places.initialiseJournal())) {
        if (!finishInitialise(ops, places) && unfinished == UnfinishedWork::None)
            unfinished = UnfinishedWork::Initialisation;
    } else {
        for (const fs::path& live : {places.books, places.data})
            changed = removeIfThere(ops, places, places.removing(live)) || changed;
    }

    // Half-built generations (any process id: only one instance runs per run
    // directory) and half-removed ones.
    if (const auto entries = ops.list(places.runFolder)) {
        for (const FolderEntry& entry : *entries) {
            if (entry.name.starts_with(places.buildingPrefix) ||
                entry.name.starts_with(places.removedPrefix))
                changed = removeIfThere(ops, places, places.runFolder / entry.name) || changed;
        }
    }
    // The latest generation moved aside, the new one not yet in: it goes back.
    if (!exists(ops, places.latest)) {
        const std::vector<Generation> generations = listGenerations(ops, places);
        if (!generations.empty() && ops.rename(generations.front().folder, places.latest))
            changed = true;
    }
    if (changed) static_cast<void>(ops.syncFolder(places.runFolder));
    return unfinished;
}

UnfinishedWork decidedWorkLeft(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    if (exists(ops, places.restoreJournal())) return UnfinishedWork::Restore;
    if (exists(ops, places.initialiseJournal())) return UnfinishedWork::Initialisation;
    return UnfinishedWork::None;
}

}  // namespace qinghe::maintenance
