#include "maintenance/backup.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "maintenance/backup_places.h"
#include "maintenance/generations.h"
#include "store/table_file.h"

namespace qinghe {
namespace maintenance {

namespace fs = std::filesystem;

namespace {

// One live file to back up and where its copy goes.
struct Source {
    std::string target;  // below the generation: "books/books.edb", "data/NAME"
    std::string source;  // below the run folder
    fs::path path;
    FileStatus status;
};

// Every regular file below a folder, recursively. A folder that cannot be
// read fails the whole walk: a backup that silently left files out would
// replace a complete one. Links and special files are no tables of this folder.
bool collectFiles(FolderOperations& ops, const fs::path& folder, std::vector<fs::path>& files) {
    const auto entries = ops.list(folder);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
        const fs::path path = folder / entry.name;
        if (entry.type == EntryType::Regular) {
            files.push_back(path);
        } else if (entry.type == EntryType::Folder) {
            if (!collectFiles(ops, path, files)) return false;
        }
    }
    return true;
}

// The registry and the data files, each with its target; of two data files of
// one name the later in path order wins, so it is always the same one.
bool listSources(FolderOperations& ops, const BackupPlaces& places, std::vector<Source>& sources) {
    const auto relative = [&](const fs::path& path) {
        return path.lexically_relative(places.runFolder).generic_string();
    };
    const FileStatus registry = ops.status(places.registry);
    if (registry.type != EntryType::Missing) {
        sources.push_back(
            {kGenerationRegistry, relative(places.registry), places.registry, registry});
    }
    std::vector<fs::path> files;
    if (ops.status(places.data).type != EntryType::Missing &&
        !collectFiles(ops, places.data, files))
        return false;
    std::sort(files.begin(), files.end());
    std::map<std::string, Source> byTarget;
    for (const fs::path& file : files) {
        // A table's change log belongs to the data file as it is this moment,
        // flushed or not; the copy of the data file is read through the same
        // cache and holds its changes already. Replayed over that copy later,
        // an older log would undo later changes.
        if (store::TableFile::isLogPath(file)) continue;
        const std::string target = std::string(kGenerationData) + "/" + file.filename().string();
        byTarget[target] = {target, relative(file), file, ops.status(file)};
    }
    for (auto& [target, source] : byTarget) sources.push_back(std::move(source));
    return true;
}

// The previous generation's copy of a source when the source has not changed
// since it was copied: same live file, same size and time to the nanosecond,
// and the copy still there at that size.
const ManifestEntry* unchangedCopy(FolderOperations& ops, const Generation* previous,
                                   const std::map<std::string, const ManifestEntry*>& entries,
                                   const Source& source) {
    if (previous == nullptr || source.status.type != EntryType::Regular) return nullptr;
    const auto found = entries.find(source.target);
    if (found == entries.end()) return nullptr;
    const ManifestEntry& entry = *found->second;
    if (entry.source != source.source || !entry.stamp.sameContentStamp(source.status))
        return nullptr;
    const FileStatus copy = ops.status(previous->folder / entry.target);
    if (copy.type != EntryType::Regular || copy.size != entry.stamp.size) return nullptr;
    return &entry;
}

// A free name for an older generation: its own id, or the next sequence of
// it when a folder of that name is there already.
std::string freeOlderId(FolderOperations& ops, const BackupPlaces& places, std::string id) {
    auto parsed = GenerationId::parse(id);
    if (!parsed) parsed = GenerationId{idStampOf(0), 1};
    while (ops.status(places.older(parsed->text())).type != EntryType::Missing) ++parsed->sequence;
    return parsed->text();
}

std::vector<std::string> idsOf(const std::vector<Generation>& generations) {
    std::vector<std::string> ids;
    for (const Generation& generation : generations) ids.push_back(generation.id);
    return ids;
}

class GenerationBuilder {
  public:
    GenerationBuilder(FolderOperations& ops, fs::path folder)
        : ops_(ops), folder_(std::move(folder)) {}

    bool build(const std::vector<Source>& sources, const Generation* previous, Manifest& manifest,
               BackupOutcome& outcome) {
        std::map<std::string, const ManifestEntry*> previousEntries;
        if (previous != nullptr && previous->manifest) {
            for (const ManifestEntry& entry : previous->manifest->files)
                previousEntries[entry.target] = &entry;
        }
        if (!ops_.makeFolder(folder_) || !ops_.makeFolder(folder_ / kGenerationBooks) ||
            !ops_.makeFolder(folder_ / kGenerationData))
            return false;

        std::vector<fs::path> copies;
        for (const Source& source : sources) {
            const fs::path target = folder_ / source.target;
            if (const ManifestEntry* entry =
                    unchangedCopy(ops_, previous, previousEntries, source)) {
                if (ops_.hardLink(previous->folder / entry->target, target)) {
                    manifest.files.push_back(*entry);
                    ++outcome.linkedFiles;
                    continue;
                }
                // No hard links here (or no more for that file): a copy will do.
            }
            const CopyReport copy = ops_.copyFile(source.path, target);
            if (copy.result == CopyResult::SourceGone) continue;
            if (copy.result != CopyResult::Copied) return false;
            ManifestEntry entry{source.target, source.source, copy.before};
            // Changed while it was copied: the copy may hold a mix, so the next
            // backup must not take it for the file's latest state.
            if (!copy.before.sameContentStamp(copy.after)) entry.stamp.modifiedNanoseconds = -1;
            manifest.files.push_back(std::move(entry));
            copies.push_back(target);
            ++outcome.copiedFiles;
        }
        // Flushed together: the disk writes them back in one go.
        for (const fs::path& copy : copies) {
            if (!ops_.syncFile(copy)) return false;
        }
        return ops_.writeFile(folder_ / kManifestName, encodeManifest(manifest)) &&
               ops_.syncFolder(folder_ / kGenerationBooks) &&
               ops_.syncFolder(folder_ / kGenerationData) && ops_.syncFolder(folder_);
    }

  private:
    FolderOperations& ops_;
    fs::path folder_;
};

// Whether the latest generation holds exactly the live files as they are now.
bool latestIsCurrent(FolderOperations& ops, const Generation& latest,
                     const std::vector<Source>& sources) {
    if (!latest.latest || !latest.manifest || latest.manifest->files.size() != sources.size())
        return false;
    std::map<std::string, const ManifestEntry*> entries;
    for (const ManifestEntry& entry : latest.manifest->files) entries[entry.target] = &entry;
    return std::all_of(sources.begin(), sources.end(), [&](const Source& source) {
        return unchangedCopy(ops, &latest, entries, source) != nullptr;
    });
}

// The new generation in as backup/, the previous latest moved aside under its
// id. Between the two renames the previous latest is the newest older
// generation, which the next run moves back.
bool swapIn(FolderOperations& ops, const BackupPlaces& places, const fs::path& building,
            const Generation* previousLatest, BackupOutcome& outcome) {
    fs::path movedTo;
    if (previousLatest != nullptr && previousLatest->latest) {
        outcome.previousLatestId = freeOlderId(ops, places, previousLatest->id);
        movedTo = places.older(outcome.previousLatestId);
        if (!ops.rename(places.latest, movedTo)) return false;
    }
    if (!ops.rename(building, places.latest)) {
        if (!movedTo.empty() && !ops.rename(movedTo, places.latest)) {
            // Still the newest older generation; the next run puts it back.
        }
        return false;
    }
    // The generation is complete and in place; an unflushed rename at worst
    // comes back as the interrupted state, which the next run finishes.
    static_cast<void>(ops.syncFolder(places.runFolder));
    return true;
}

// Removes the oldest generations beyond the number kept. What cannot be
// removed now is tried again after the next backup.
void pruneOlder(FolderOperations& ops, const BackupPlaces& places, const BackupOptions& options) {
    const std::vector<Generation> generations = listGenerations(ops, places);
    const auto kept = static_cast<std::size_t>(std::max(options.generationsKept, 1));
    std::size_t seen = 0;
    bool removed = false;
    for (const Generation& generation : generations) {
        if (++seen <= kept || generation.latest) continue;
        if (std::find(options.keepAlso.begin(), options.keepAlso.end(), generation.id) !=
            options.keepAlso.end())
            continue;
        removed = ops.removeTree(generation.folder, places.runFolder) || removed;
    }
    if (removed) static_cast<void>(ops.syncFolder(places.runFolder));
}

}  // namespace

BackupOutcome makeBackup(FolderOperations& ops, const RunDirectory& run, const Clock& clock,
                         const BackupOptions& options) {
    BackupOutcome outcome;
    const BackupPlaces places(run);
    recoverInterruptedWork(ops, run);

    std::vector<Source> sources;
    if (!listSources(ops, places, sources)) return outcome;
    const std::vector<Generation> generations = listGenerations(ops, places);
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
    GenerationBuilder builder(ops, building);
    if (!builder.build(sources, previous, manifest, outcome) ||
        !swapIn(ops, places, building, previous, outcome)) {
        // Cleared by the next run when it cannot be removed now.
        static_cast<void>(ops.removeTree(building, places.runFolder));
        outcome.copiedFiles = outcome.linkedFiles = 0;
        outcome.previousLatestId.clear();
        return outcome;
    }
    outcome.complete = true;
    outcome.newGeneration = true;
    outcome.id = manifest.id;
    pruneOlder(ops, places, options);
    return outcome;
}

}  // namespace maintenance

bool runBackup(const RunDirectory& run) {
    maintenance::PosixFolderOperations ops;
    SystemClock clock;
    return maintenance::makeBackup(ops, run, clock, {readBackupsKept(run), {}}).complete;
}

}  // namespace qinghe
