#include "maintenance/restore.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/generation_builder.h"
#include "maintenance/generations.h"
#include "maintenance/restore_swap.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

// The journals are read by their presence alone; the text says what they are
// to whoever looks into the folder.
constexpr char kRestoreJournalText[] = "qinghe-restore 1\nbooks data setup\n";
constexpr char kInitialiseJournalText[] = "qinghe-initialise 1\nbooks data\n";

// One file a restore puts in place.
struct Restored {
    fs::path from;  // the generation's copy
    fs::path live;  // the live file of the same name
    fs::path to;    // in the folder being built
    // The live file holds the same bytes: it stays, under its new name.
    bool stays = false;
};

// The regular files of a generation's folder, each for the live file of its
// name and its place in the folder being built. False when the folder is
// there but cannot be read.
bool addFolderFiles(FolderOperations& ops, const fs::path& kept, const fs::path& live,
                    const fs::path& building, std::vector<Restored>& files) {
    if (ops.status(kept).type != EntryType::Folder) return true;
    const auto entries = ops.list(kept);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
        if (entry.type == EntryType::Regular)
            files.push_back({kept / entry.name, live / entry.name, building / entry.name});
    }
    return true;
}

// The registry, data and settings files of a generation, each compared with the live
// file of its name. Only regular files: the manifest and anything else in
// the generation stay behind. Nothing when the generation cannot be read.
std::optional<std::vector<Restored>> restoredFiles(FolderOperations& ops,
                                                   const BackupPlaces& places,
                                                   const Generation& generation) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    std::vector<Restored> files;
    const fs::path registry = generation.folder / kGenerationRegistry;
    if (!addFolderFiles(ops, generation.folder / kGenerationSetup, places.setup,
                        places.restoring(places.setup), files))
        return std::nullopt;
    if (ops.status(registry).type == EntryType::Regular) {
        files.push_back({registry, places.registry, books / places.registry.filename()});
    }
    if (!addFolderFiles(ops, generation.folder / kGenerationData, places.data, data, files))
        return std::nullopt;
    for (Restored& file : files) file.stays = ops.sameContents(file.from, file.live);
    return files;
}

// The folders beside the live ones, complete and flushed: every live file
// that stays linked in (it stays the live file, and the generation is never
// linked to), the others copied from the generation. The settings folder
// only when the generation holds settings: the live ones stay otherwise.
bool buildRestoredFolders(FolderOperations& ops, const BackupPlaces& places,
                          const Generation& generation, const std::vector<Restored>& files) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    const fs::path setup = places.restoring(places.setup);
    const bool withSetup = std::any_of(files.begin(), files.end(), [&](const Restored& file) {
        return file.from.parent_path() == generation.folder / kGenerationSetup;
    });
    if (!ops.makeFolder(books) || !ops.makeFolder(data) || (withSetup && !ops.makeFolder(setup)))
        return false;
    std::vector<fs::path> copies;
    for (const Restored& file : files) {
        if (file.stays && ops.hardLink(file.live, file.to)) continue;
        if (ops.copyFile(file.from, file.to).result != CopyResult::Copied) return false;
        copies.push_back(file.to);
    }
    return flushAll(ops, places.runFolder, copies) && ops.syncFolder(books) &&
           ops.syncFolder(data) && (!withSetup || ops.syncFolder(setup));
}

// The journal under its own name only once it is whole and flushed: from
// then on the next run finishes the restore.
bool writeJournal(FolderOperations& ops, const BackupPlaces& places) {
    const fs::path writing = places.restoreJournalBeingWritten();
    return ops.removeTree(writing, places.runFolder) &&
           ops.writeFile(writing, kRestoreJournalText) &&
           ops.rename(writing, places.restoreJournal()) && ops.syncFolder(places.runFolder);
}

// The generation of the live data in backup.safety, complete and flushed,
// made of the files the restore replaces: each live file that goes is
// linked there, one that stays is represented by the restored generation's
// copy of the same bytes, and one unchanged since the latest generation by
// that generation's copy (it shares the disk space the generations share).
bool buildSafetyGeneration(FolderOperations& ops, const BackupPlaces& places,
                           const std::vector<Generation>& generations,
                           const std::vector<Source>& sources, const std::vector<Restored>& files,
                           const SafetyGeneration& safety, std::string& id) {
    const Generation* previous = generations.empty() ? nullptr : &generations.front();
    const ManifestByTarget previousEntries = manifestByTarget(previous);
    std::map<fs::path, fs::path> staying;  // live file -> a copy of its bytes
    for (const Restored& file : files) {
        if (file.stays) staying[file.live] = file.from;
    }
    const LinkChoice choose = [&](const Source& source) -> std::optional<LinkFrom> {
        if (const ManifestEntry* entry = unchangedCopy(ops, previous, previousEntries, source))
            return LinkFrom{previous->folder / entry->target, *entry};
        ManifestEntry entry{source.target, source.source, source.status};
        if (const auto found = staying.find(source.path); found != staying.end())
            return LinkFrom{found->second, std::move(entry)};
        // Written by the program until now: flushed with the generation.
        return LinkFrom{source.path, std::move(entry), true};
    };
    Manifest manifest;
    manifest.id = nextGenerationId(safety.now, idsOf(generations));
    manifest.created = safety.now;
    BackupOutcome counts;
    if (!buildGeneration(ops, places.safetyGeneration(), sources, choose, manifest, counts))
        return false;
    id = manifest.id;
    return true;
}

// What a restore leaves when it is given up before its journal: the live
// folders were never touched; what is left goes now or with the next run.
// The safety generation goes too: its files are still the live ones.
void removeHalfMade(FolderOperations& ops, const BackupPlaces& places) {
    for (const fs::path& live : places.restoredFolders())
        static_cast<void>(ops.removeTree(places.restoring(live), places.runFolder));
    static_cast<void>(ops.removeTree(places.safetyGeneration(), places.runFolder));
    static_cast<void>(ops.removeTree(places.restoreJournalBeingWritten(), places.runFolder));
}

RestoreOutcome restore(FolderOperations& ops, const RunDirectory& run, std::string_view id,
                       const SafetyGeneration* safety) {
    RestoreOutcome outcome;
    const BackupPlaces places(run);
    // One cut short earlier that cannot be finished now: the live folders
    // may be half swapped.
    if (recoverInterruptedWork(ops, run) != UnfinishedWork::None) return outcome;
    const std::vector<Generation> generations = listGenerations(ops, places);
    const auto chosen = findGeneration(generations, id);
    if (!chosen) {
        outcome.result = RestoreResult::NoSuchGeneration;
        return outcome;
    }
    const auto files = restoredFiles(ops, places, *chosen);
    if (!files) return outcome;

    std::string safetyId;
    bool made = false;
    if (safety != nullptr) {
        std::vector<Source> sources;
        if (!listSources(ops, places, sources)) {
            outcome.result = RestoreResult::NoSafetyGeneration;
            return outcome;
        }
        if (!generations.empty() && latestIsCurrent(ops, generations.front(), sources)) {
            // The latest holds the data already.
            safetyId = generations.front().id;
        } else if (buildSafetyGeneration(ops, places, generations, sources, *files, *safety,
                                         safetyId)) {
            made = true;
        } else {
            static_cast<void>(ops.removeTree(places.safetyGeneration(), places.runFolder));
            outcome.result = RestoreResult::NoSafetyGeneration;
            return outcome;
        }
    }

    // One left by an earlier restore that was given up would be taken for
    // this one's by the swap.
    if (!made && ops.status(places.safetyGeneration()).type != EntryType::Missing &&
        !ops.removeTree(places.safetyGeneration(), places.runFolder))
        return outcome;
    if (!buildRestoredFolders(ops, places, *chosen, *files)) {
        removeHalfMade(ops, places);
        return outcome;
    }
    // The journal marks the restored folders (and the safety generation)
    // complete. Should it not be in place and flushed, it must be gone for
    // certain before the restore counts as not made: a journal left behind
    // would make the next run finish it.
    if (!writeJournal(ops, places) &&
        (ops.status(places.restoreJournal()).type == EntryType::Missing ||
         ops.removeTree(places.restoreJournal(), places.runFolder))) {
        removeHalfMade(ops, places);
        return outcome;
    }
    // From here on the restore is decided: should the swap fail, the next
    // run finishes it.
    std::string latestMovedTo;
    outcome.result = finishRestoreSwap(ops, places, &latestMovedTo, &outcome.leftoversRemoved)
                         ? RestoreResult::Restored
                         : RestoreResult::Pending;
    outcome.safetyId = safetyId;
    outcome.newGeneration = made;
    if (made && outcome.result == RestoreResult::Restored) {
        // Only now that the new generation is in place; the restored one
        // stays whatever its age. Their files go with the next run (the
        // program ends after a restore and starts again): removing a
        // generation's own files takes as long as the restore's copies.
        std::vector<std::string> keep{chosen->id};
        if (!latestMovedTo.empty()) keep.push_back(latestMovedTo);
        outcome.leftoversRemoved =
            takeOutOlder(ops, places, safety->generationsKept, keep) && outcome.leftoversRemoved;
    }
    return outcome;
}

}  // namespace

RestoreResult restoreGeneration(FolderOperations& ops, const RunDirectory& run,
                                std::string_view id) {
    return restore(ops, run, id, nullptr).result;
}

RestoreOutcome restoreKeepingTheData(FolderOperations& ops, const RunDirectory& run,
                                     std::string_view id, const SafetyGeneration& safety) {
    return restore(ops, run, id, &safety);
}

InitialiseResult initialiseData(FolderOperations& ops, const RunDirectory& run) {
    const BackupPlaces places(run);
    if (recoverInterruptedWork(ops, run) != UnfinishedWork::None) return InitialiseResult::Failed;
    // Once the journal is down the initialisation is decided: an interruption
    // is finished by the next run, so the ledgers never end up half deleted.
    // Should it not be written, it must be gone for certain before the
    // initialisation counts as not made.
    if ((!ops.writeFile(places.initialiseJournal(), kInitialiseJournalText) ||
         !ops.syncFolder(places.runFolder)) &&
        ops.removeTree(places.initialiseJournal(), places.runFolder)) {
        return InitialiseResult::Failed;
    }
    return finishInitialise(ops, places) ? InitialiseResult::Initialised
                                         : InitialiseResult::Pending;
}

}  // namespace qinghe::maintenance
