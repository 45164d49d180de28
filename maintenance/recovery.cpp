#include <vector>

#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generation_builder.h"
#include "maintenance/generation_settling.h"
#include "maintenance/generations.h"
#include "maintenance/restore_journal.h"
#include "maintenance/restore_swap.h"
#include "maintenance/restored_copies.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

bool exists(FolderOperations& ops, const fs::path& path) {
    return ops.status(path).type != EntryType::Missing;
}

// Removes what is there; what cannot be removed now is tried again next time.
bool removeIfThere(FolderOperations& ops, const BackupPlaces& places, const fs::path& path) {
    if (!exists(ops, path)) return false;
    static_cast<void>(ops.removeTree(path, places.runFolder));
    return true;
}

}  // namespace

bool swapRestoredIn(FolderOperations& ops, const BackupPlaces& places, std::string* latestMovedTo) {
    for (const fs::path& live : {places.books, places.data}) {
        const fs::path restored = places.restoring(live);
        if (!exists(ops, restored)) continue;  // swapped in already
        const fs::path before = places.beforeRestore(live);
        if (exists(ops, live)) {
            if (!exists(ops, before)) {
                if (!ops.rename(live, before)) return false;
            } else if (!ops.removeTree(live, places.runFolder)) {
                // Made after the interruption, before the restore was finished;
                // the data from before the restore is in `before` and in the
                // backup made first.
                return false;
            }
        }
        if (!ops.rename(restored, live)) return false;
    }
    // The data the restore replaced, kept as a generation: complete before
    // the journal was written, it goes in as the latest. Its files are those
    // of the folders moved aside, which are no longer live now.
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

void removeMovedAside(FolderOperations& ops, const BackupPlaces& places) {
    for (const fs::path& live : {places.books, places.data})
        removeIfThere(ops, places, places.beforeRestore(live));
}

bool finishRestoreSwap(FolderOperations& ops, const BackupPlaces& places,
                       std::string* latestMovedTo) {
    if (!swapRestoredIn(ops, places, latestMovedTo)) return false;
    // Copies the journal names were to be made once the folders were swapped
    // in; the restore did not get to the end of them.
    const auto text = ops.readFile(places.restoreJournal(), kMaxJournalBytes);
    if (!text) return false;
    if (const auto journal = RestoreJournal::parse(*text);
        journal && journal->copiesUnflushed() && !copyRestoredAgain(ops, places, *journal))
        return false;
    if (!ops.removeTree(places.restoreJournal(), places.runFolder)) return false;
    static_cast<void>(ops.syncFolder(places.runFolder));
    removeMovedAside(ops, places);
    return true;
}

bool finishInitialise(FolderOperations& ops, const BackupPlaces& places) {
    // Each folder moved out at once, and deleted only afterwards: what a
    // failed deletion leaves is no longer where the program looks.
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
        removeIfThere(ops, places, places.removing(live));
    return true;
}

void recoverInterruptedWork(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    bool changed = false;

    // A restore: complete once its journal is written, half-built before.
    if (exists(ops, places.restoreJournal())) {
        static_cast<void>(finishRestoreSwap(ops, places));
    } else {
        for (const fs::path& live : {places.books, places.data}) {
            changed = removeIfThere(ops, places, places.restoring(live)) || changed;
            changed = removeIfThere(ops, places, places.beforeRestore(live)) || changed;
        }
        // Made of links to the live files, which are live still.
        changed = removeIfThere(ops, places, places.safetyGeneration()) || changed;
        changed = removeIfThere(ops, places, places.restoreJournalBeingWritten()) || changed;
    }
    // A finished restore's copies, before anything works on them.
    if (!exists(ops, places.restoreJournal())) static_cast<void>(settleRestoredCopies(ops, places));
    // An initialisation: decided once its journal is down.
    if (exists(ops, places.initialiseJournal())) {
        static_cast<void>(finishInitialise(ops, places));
    } else {
        for (const fs::path& live : {places.books, places.data})
            changed = removeIfThere(ops, places, places.removing(live)) || changed;
    }

    // Before anything builds on them or counts them.
    settleGenerations(ops, places);
    // Half-built generations (any process id: only one instance runs per run
    // directory) and half-removed ones.
    if (const auto entries = ops.list(places.runFolder)) {
        for (const FolderEntry& entry : *entries) {
            if (entry.name.starts_with(places.buildingPrefix) ||
                entry.name.starts_with(places.removedPrefix))
                changed = removeIfThere(ops, places, places.runFolder / entry.name) || changed;
        }
    }
    // The single backup of earlier versions, moved aside while replaced: the
    // last complete one when none is in place, otherwise the replaced one.
    if (exists(ops, places.previousLatest())) {
        if (exists(ops, places.latest)) {
            static_cast<void>(ops.removeTree(places.previousLatest(), places.runFolder));
        } else {
            static_cast<void>(ops.rename(places.previousLatest(), places.latest));
        }
        changed = true;
    }
    // The latest generation moved aside, the new one not yet in: it goes back.
    if (!exists(ops, places.latest)) {
        const std::vector<Generation> generations = listGenerations(ops, places);
        if (!generations.empty()) {
            static_cast<void>(ops.rename(generations.front().folder, places.latest));
            changed = true;
        }
    }
    if (changed) static_cast<void>(ops.syncFolder(places.runFolder));
}

}  // namespace qinghe::maintenance
