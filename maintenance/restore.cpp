#include "maintenance/restore.h"

#include <vector>

#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "maintenance/restore_swap.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

constexpr char kJournalText[] = "qinghe-restore 1\nbooks data\n";
constexpr char kInitialiseJournalText[] = "qinghe-initialise 1\nbooks data\n";

// The registry and data files of a generation in the two folders beside the
// live ones, flushed. A live file that holds the same bytes as the
// generation's copy is only given its new name there (a hard link: it stays
// the live file, and the generation is never linked to); every other file is
// copied. Only regular files: the manifest and anything else in the
// generation stay behind.
bool buildRestoredFolders(FolderOperations& ops, const BackupPlaces& places,
                          const Generation& generation) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    if (!ops.makeFolder(books) || !ops.makeFolder(data)) return false;

    struct Restored {
        fs::path from;  // the generation's copy
        fs::path live;  // the live file of the same name
        fs::path to;
    };
    std::vector<Restored> files;
    const fs::path registry = generation.folder / kGenerationRegistry;
    if (ops.status(registry).type == EntryType::Regular) {
        files.push_back({registry, places.registry, books / places.registry.filename()});
    }
    const fs::path generationData = generation.folder / kGenerationData;
    if (ops.status(generationData).type == EntryType::Folder) {
        const auto entries = ops.list(generationData);
        if (!entries) return false;
        for (const FolderEntry& entry : *entries) {
            if (entry.type == EntryType::Regular)
                files.push_back(
                    {generationData / entry.name, places.data / entry.name, data / entry.name});
        }
    }
    std::vector<fs::path> copies;
    for (const Restored& file : files) {
        // The live file is durable already: only a copy needs flushing.
        if (ops.sameContents(file.from, file.live) && ops.hardLink(file.live, file.to)) continue;
        if (ops.copyFile(file.from, file.to).result != CopyResult::Copied) return false;
        copies.push_back(file.to);
    }
    for (const fs::path& copy : copies) {
        if (!ops.syncFile(copy)) return false;
    }
    return ops.syncFolder(books) && ops.syncFolder(data);
}

}  // namespace

RestoreResult restoreGeneration(FolderOperations& ops, const RunDirectory& run,
                                std::string_view id) {
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);
    const auto generation = findGeneration(listGenerations(ops, places), id);
    if (!generation) return RestoreResult::NoSuchGeneration;

    if (!buildRestoredFolders(ops, places, *generation)) {
        // The live folders were never touched; what is left of the copies goes
        // now or with the next run.
        for (const fs::path& live : {places.books, places.data})
            static_cast<void>(ops.removeTree(places.restoring(live), places.runFolder));
        return RestoreResult::Failed;
    }
    // The journal marks the restored folders complete. Should it not be
    // written, it must be gone for certain before the restore counts as not
    // made: a journal left behind would make the next run finish it.
    if ((!ops.writeFile(places.restoreJournal(), kJournalText) ||
         !ops.syncFolder(places.runFolder)) &&
        ops.removeTree(places.restoreJournal(), places.runFolder)) {
        for (const fs::path& live : {places.books, places.data})
            static_cast<void>(ops.removeTree(places.restoring(live), places.runFolder));
        return RestoreResult::Failed;
    }
    // From here on the restore is decided: an interruption is finished by the
    // next run. A failed rename may have been passing.
    if (finishRestoreSwap(ops, places) || finishRestoreSwap(ops, places))
        return RestoreResult::Restored;
    return RestoreResult::Pending;
}

InitialiseResult initialiseData(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);
    // Once the journal is down the initialisation is decided: an interruption
    // is finished by the next run, so the ledgers never end up half deleted.
    // Should it not be written, it must be gone for certain before the
    // initialisation counts as not made.
    if ((!ops.writeFile(places.initialiseJournal(), kInitialiseJournalText) ||
         !ops.syncFolder(places.runFolder)) &&
        ops.removeTree(places.initialiseJournal(), places.runFolder)) {
        return InitialiseResult::Failed;
    }
    // A failed rename may have been passing.
    if (finishInitialise(ops, places) || finishInitialise(ops, places))
        return InitialiseResult::Initialised;
    return InitialiseResult::Pending;
}

}  // namespace qinghe::maintenance
