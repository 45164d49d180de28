#include "maintenance/restore.h"

#include <map>
#include <optional>
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

constexpr char kInitialiseJournalText[] = "qinghe-initialise 1\nbooks data\n";

// One file a restore puts in place.
struct Restored {
    fs::path from;  // the generation's copy
    fs::path live;  // the live file of the same name
    fs::path to;    // in the folder being built
    // The live file holds the same bytes: it stays, under its new name.
    bool stays = false;
};

// The registry and data files of a generation, each compared with the live
// file of its name. Only regular files: the manifest and anything else in
// the generation stay behind. Nothing when the generation cannot be read.
std::optional<std::vector<Restored>> restoredFiles(FolderOperations& ops,
                                                   const BackupPlaces& places,
                                                   const Generation& generation) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    std::vector<Restored> files;
    const fs::path registry = generation.folder / kGenerationRegistry;
    if (ops.status(registry).type == EntryType::Regular) {
        files.push_back({registry, places.registry, books / places.registry.filename()});
    }
    const fs::path generationData = generation.folder / kGenerationData;
    if (ops.status(generationData).type == EntryType::Folder) {
        const auto entries = ops.list(generationData);
        if (!entries) return std::nullopt;
        for (const FolderEntry& entry : *entries) {
            if (entry.type == EntryType::Regular)
                files.push_back(
                    {generationData / entry.name, places.data / entry.name, data / entry.name});
        }
    }
    for (Restored& file : files) file.stays = ops.sameContents(file.from, file.live);
    return files;
}

// The two folders beside the live ones, with every live file that stays
// linked in (it stays the live file, and the generation is never linked to).
// The other files are copied, flushed, here when the journal cannot name
// them; otherwise they are listed in the journal and copied only once the
// folders are swapped in: the next run makes them again from the generation
// should the restore not get to the end, and flushes them (or makes them
// again after a new boot) when it did. Nothing is then flushed after the
// bulk of the bytes is written, when a flush would wait for all of them.
bool buildRestoredFolders(FolderOperations& ops, const BackupPlaces& places,
                          const Generation& generation, const std::vector<Restored>& files,
                          RestoreJournal& journal) {
    const fs::path books = places.restoring(places.books);
    const fs::path data = places.restoring(places.data);
    if (!ops.makeFolder(books) || !ops.makeFolder(data)) return false;
    journal.boot = ops.bootId();
    journal.generationId = generation.id;
    std::vector<const Restored*> toCopy;
    for (const Restored& file : files) {
        if (file.stays && ops.hardLink(file.live, file.to)) continue;
        toCopy.push_back(&file);
        RestoredCopy named{file.live.lexically_relative(places.runFolder).generic_string(),
                           file.from.lexically_relative(generation.folder).generic_string()};
        if (!fitsAJournalLine(named.live) || !fitsAJournalLine(named.inGeneration))
            journal.boot.clear();
        journal.copies.push_back(std::move(named));
    }
    if (journal.copiesUnflushed()) {
        // Their room only: a full disk is told before the restore is decided.
        for (const Restored* file : toCopy) {
            if (!ops.reserveFile(file->to, ops.status(file->from).size)) return false;
        }
    } else {
        journal.boot.clear();
        journal.copies.clear();
        std::vector<fs::path> copies;
        for (const Restored* file : toCopy) {
            if (ops.copyFile(file->from, file->to).result != CopyResult::Copied) return false;
            copies.push_back(file->to);
        }
        if (!flushAll(ops, places.runFolder, copies)) return false;
    }
    return ops.syncFolder(books) && ops.syncFolder(data);
}

// The copies a journal names, made into the live folders once they are
// swapped in; then the journal gives way to the mark that they are not
// flushed yet.
bool copyIntoSwappedFolders(FolderOperations& ops, const BackupPlaces& places,
                            const Generation& generation, const RestoreJournal& journal) {
    for (const RestoredCopy& copy : journal.copies) {
        if (ops.copyInto(generation.folder / copy.inGeneration, places.runFolder / copy.live)
                .result != CopyResult::Copied)
            return false;
    }
    return ops.rename(places.restoreJournal(), places.restoreUnflushed());
}

// The journal under its own name only once it is whole and flushed: the
// next run goes by the names and the generation it holds.
bool writeJournal(FolderOperations& ops, const BackupPlaces& places,
                  const RestoreJournal& journal) {
    const fs::path writing = places.restoreJournalBeingWritten();
    return ops.removeTree(writing, places.runFolder) && ops.writeFile(writing, journal.text()) &&
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
    std::map<std::string, const ManifestEntry*> previousEntries;
    if (previous != nullptr && previous->manifest) {
        for (const ManifestEntry& entry : previous->manifest->files)
            previousEntries[entry.target] = &entry;
    }
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
    for (const fs::path& live : {places.books, places.data})
        static_cast<void>(ops.removeTree(places.restoring(live), places.runFolder));
    static_cast<void>(ops.removeTree(places.safetyGeneration(), places.runFolder));
    static_cast<void>(ops.removeTree(places.restoreJournalBeingWritten(), places.runFolder));
}

RestoreOutcome restore(FolderOperations& ops, const RunDirectory& run, std::string_view id,
                       const SafetyGeneration* safety) {
    RestoreOutcome outcome;
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);
    // The data of an earlier restore not yet known to be on the disk.
    if (ops.status(places.restoreUnflushed()).type != EntryType::Missing) return outcome;
    const std::vector<Generation> generations = listGenerations(ops, places);
    if (anyUnsettled(ops, generations)) return outcome;
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
    RestoreJournal journal;
    if (!buildRestoredFolders(ops, places, *chosen, *files, journal)) {
        removeHalfMade(ops, places);
        return outcome;
    }
    // The journal marks the restored folders (and the safety generation)
    // complete. Should it not be in place and flushed, it must be gone for
    // certain before the restore counts as not made: a journal left behind
    // would make the next run finish it.
    if (!writeJournal(ops, places, journal) &&
        (ops.status(places.restoreJournal()).type == EntryType::Missing ||
         ops.removeTree(places.restoreJournal(), places.runFolder))) {
        removeHalfMade(ops, places);
        return outcome;
    }
    // From here on the restore is decided: an interruption is finished by the
    // next run. A failed rename may have been passing.
    std::string latestMovedTo;
    if (journal.copiesUnflushed()) {
        // Looked up again: the latest has moved aside if it was the one.
        std::optional<Generation> source;
        outcome.result = (swapRestoredIn(ops, places, &latestMovedTo) ||
                          swapRestoredIn(ops, places, &latestMovedTo)) &&
                                 (source = restoredFrom(ops, places, journal.generationId)) &&
                                 copyIntoSwappedFolders(ops, places, *source, journal)
                             ? RestoreResult::Restored
                             : RestoreResult::Pending;
        if (outcome.result == RestoreResult::Restored) removeMovedAside(ops, places);
    } else {
        outcome.result = finishRestoreSwap(ops, places, &latestMovedTo) ||
                                 finishRestoreSwap(ops, places, &latestMovedTo)
                             ? RestoreResult::Restored
                             : RestoreResult::Pending;
    }
    outcome.safetyId = safetyId;
    outcome.newGeneration = made;
    if (made && outcome.result == RestoreResult::Restored && !safety->pruneLater) {
        // Only now that the new generation is in place; the restored one
        // stays whatever its age.
        std::vector<std::string> keep{chosen->id};
        if (!latestMovedTo.empty()) keep.push_back(latestMovedTo);
        pruneOlder(ops, places, safety->generationsKept, keep);
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
