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

// Copies of a generation's registry and data files into the two folders
// beside the live ones, flushed. Only regular files: the manifest and
// anything else in the generation stay behind.
bool buildRestoredFolders(FolderOperations& ops, const BackupPlaces& places,
                          const Generation& generation) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    if (!ops.makeFolder(books) || !ops.makeFolder(data)) return false;

    std::vector<std::pair<fs::path, fs::path>> copies;
    const fs::path registry = generation.folder / kGenerationRegistry;
    if (ops.status(registry).type == EntryType::Regular) {
        copies.emplace_back(registry, books / places.registry.filename());
    }
    const fs::path generationData = generation.folder / kGenerationData;
    if (ops.status(generationData).type == EntryType::Folder) {
        const auto entries = ops.list(generationData);
        if (!entries) return false;
        for (const FolderEntry& entry : *entries) {
            if (entry.type == EntryType::Regular)
                copies.emplace_back(generationData / entry.name, data / entry.name);
        }
    }
    for (const auto& [from, to] : copies) {
        if (ops.copyFile(from, to).result != CopyResult::Copied) return false;
    }
    for (const auto& copy : copies) {
        if (!ops.syncFile(copy.second)) return false;
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

    if (!buildRestoredFolders(ops, places, *generation) ||
        !ops.writeFile(places.restoreJournal(), kJournalText) ||
        !ops.syncFolder(places.runFolder)) {
        // Without the journal the live folders were never touched; what is
        // left of the copies goes now or with the next run.
        static_cast<void>(ops.removeTree(places.restoreJournal(), places.runFolder));
        for (const fs::path& live : {places.books, places.data})
            static_cast<void>(ops.removeTree(places.restoring(live), places.runFolder));
        return RestoreResult::Failed;
    }
    // From here on the restore is complete on the disk: an interruption is
    // finished by the next run. A failed rename may have been passing.
    if (finishRestoreSwap(ops, places) || finishRestoreSwap(ops, places))
        return RestoreResult::Restored;
    return RestoreResult::Pending;
}

bool initialiseData(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);
    // Once the journal is down the initialisation is decided: an interruption
    // is finished by the next run, so the ledgers never end up half deleted.
    if (!ops.writeFile(places.initialiseJournal(), kInitialiseJournalText) ||
        !ops.syncFolder(places.runFolder)) {
        static_cast<void>(ops.removeTree(places.initialiseJournal(), places.runFolder));
        return false;
    }
    return finishInitialise(ops, places);
}

}  // namespace qinghe::maintenance
