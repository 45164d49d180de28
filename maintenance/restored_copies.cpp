#include "maintenance/restored_copies.h"

#include <set>
#include <vector>

#include "maintenance/generation_builder.h"
#include "maintenance/generations.h"
#include "maintenance/restore_journal.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

// The files and the folders that name them, as they are.
bool flushRestored(FolderOperations& ops, const BackupPlaces& places,
                   const RestoreJournal& journal) {
    std::vector<fs::path> files;
    std::set<fs::path> folders;
    for (const RestoredCopy& copy : journal.copies) {
        files.push_back(places.runFolder / copy.live);
        folders.insert(files.back().parent_path());
        if (ops.status(files.back()).type != EntryType::Regular) return false;
    }
    if (!flushAll(ops, places.runFolder, files)) return false;
    for (const fs::path& folder : folders) {
        if (!ops.syncFolder(folder)) return false;
    }
    return true;
}

}  // namespace

std::optional<Generation> restoredFrom(FolderOperations& ops, const BackupPlaces& places,
                                       const std::string& id) {
    const std::vector<Generation> generations = listGenerations(ops, places);
    if (auto found = findGeneration(generations, id)) return found;
    // Moved aside under another name when its own was taken.
    for (const Generation& generation : generations) {
        if (generation.manifest && generation.manifest->id == id) return generation;
    }
    return std::nullopt;
}

// Each copy made anew beside the live file and flushed, then put in its
// place. What an interruption leaves is made again the next time.
bool copyRestoredAgain(FolderOperations& ops, const BackupPlaces& places,
                       const RestoreJournal& journal) {
    const auto generation = restoredFrom(ops, places, journal.generationId);
    // Removed by hand: the copies cannot be made again, the data stays as the
    // disk kept it.
    if (!generation) return true;
    std::set<fs::path> folders;
    for (const RestoredCopy& copy : journal.copies) {
        const fs::path live = places.runFolder / copy.live;
        const fs::path again = live.parent_path() / (live.filename().string() + ".again");
        if (!ops.removeTree(again, places.runFolder) ||
            ops.copyFile(generation->folder / copy.inGeneration, again).result !=
                CopyResult::Copied ||
            !ops.syncFile(again) || !ops.removeTree(live, places.runFolder) ||
            !ops.rename(again, live))
            return false;
        folders.insert(live.parent_path());
    }
    for (const fs::path& folder : folders) {
        if (!ops.syncFolder(folder)) return false;
    }
    return true;
}

bool settleRestoredCopies(FolderOperations& ops, const BackupPlaces& places) {
    const fs::path marker = places.restoreUnflushed();
    if (ops.status(marker).type == EntryType::Missing) return true;
    const auto text = ops.readFile(marker, kMaxJournalBytes);
    if (!text) return false;
    if (const auto journal = RestoreJournal::parse(*text); journal && journal->copiesUnflushed()) {
        const bool flushed = journal->boot == ops.bootId() && flushRestored(ops, places, *journal);
        if (!flushed && !copyRestoredAgain(ops, places, *journal)) return false;
    }
    if (!ops.removeTree(marker, places.runFolder)) return false;
    static_cast<void>(ops.syncFolder(places.runFolder));
    return true;
}

}  // namespace qinghe::maintenance
