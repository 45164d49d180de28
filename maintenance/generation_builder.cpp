#include "maintenance/generation_builder.h"

#include <algorithm>
#include <map>

#include "config/settings.h"
#include "store/table_file.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

// Every regular file below a folder, recursively. A folder that cannot be
// read fails the whole walk. Links and special files are no tables of this
// folder.
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

// A free name for an older generation: its own id, or the next sequence of
// it when a folder of that name is there already.
std::string freeOlderId(FolderOperations& ops, const BackupPlaces& places, std::string id) {
    auto parsed = GenerationId::parse(id);
    if (!parsed) parsed = GenerationId{idStampOf(0), 1};
    while (ops.status(places.older(parsed->text())).type != EntryType::Missing) ++parsed->sequence;
    return parsed->text();
}

// A settings file as a backup compares it: without the lines of the keys the
// program keeps for itself (lastbackup, which every backup writes when it is
// done, and the main window's place), so that a backup or a moved window
// alone never makes the settings look changed.
constexpr std::size_t kMostSettingsBytes = 1024 * 1024;

bool isProgramState(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    std::string_view key = line.substr(0, equals);
    const std::size_t first = key.find_first_not_of(" \t");
    if (first == std::string_view::npos) return false;
    key = key.substr(first, key.find_last_not_of(" \t") + 1 - first);
    return isProgramStateKey(key);
}

std::optional<std::string> settingsAsCompared(FolderOperations& ops, const fs::path& file) {
    auto text = ops.readFile(file, kMostSettingsBytes);
    if (!text) return std::nullopt;
    std::string kept;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        end = end == std::string::npos ? text->size() : end + 1;
        const std::string_view line(text->data() + start, end - start);
        if (!isProgramState(line)) kept.append(line);
        start = end;
    }
    return kept;
}

bool isSettings(const Source& source) {
    return source.target.starts_with(std::string(kGenerationSetup) + "/");
}

}  // namespace

bool flushAll(FolderOperations& ops, const fs::path& within, const std::vector<fs::path>& files) {
    // Every flush waits for the disk to empty its cache: more than one file is
    // flushed with the whole file system, in one wait.
    if (files.size() > 1) return ops.syncFileSystem(within);
    return files.empty() || ops.syncFile(files.front());
}

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
        // A table's change log goes with its data file: one left by a crash
        // holds changes the data file does not have yet. The program writes
        // its open tables' changes into their files before it backs them up,
        // so their logs are empty then, and nothing writes a table while it
        // is copied.
        const FileStatus status = ops.status(file);
        // What a failed change left is no part of the data.
        if (store::TableFile::isLeftover(file, status.size)) continue;
        const std::string target = std::string(kGenerationData) + "/" + file.filename().string();
        byTarget[target] = {target, relative(file), file, status};
    }
    for (auto& [target, source] : byTarget) sources.push_back(std::move(source));
    // The settings and the item and member lists: a few INI files side by side.
    if (ops.status(places.setup).type == EntryType::Missing) return true;
    const auto settings = ops.list(places.setup);
    if (!settings) return false;
    std::vector<std::string> names;
    for (const FolderEntry& entry : *settings) {
        if (entry.type == EntryType::Regular) names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const fs::path file = places.setup / name;
        sources.push_back(
            {std::string(kGenerationSetup) + "/" + name, relative(file), file, ops.status(file)});
    }
    return true;
}

const ManifestEntry* unchangedCopy(FolderOperations& ops, const Generation* previous,
                                   const ManifestByTarget& entries, const Source& source) {
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

bool latestIsCurrent(FolderOperations& ops, const Generation& latest,
                     const std::vector<Source>& sources) {
    if (!latest.latest || !latest.manifest || latest.manifest->files.size() != sources.size())
        return false;
    const ManifestByTarget entries = manifestByTarget(&latest);
    return std::all_of(sources.begin(), sources.end(), [&](const Source& source) {
        if (unchangedCopy(ops, &latest, entries, source) != nullptr) return true;
        if (!isSettings(source) || !entries.contains(source.target)) return false;
        const auto live = settingsAsCompared(ops, source.path);
        return live && live == settingsAsCompared(ops, latest.folder / source.target);
    });
}

bool buildGeneration(FolderOperations& ops, const fs::path& folder,
                     const std::vector<Source>& sources, const LinkChoice& choose,
                     Manifest& manifest, BackupOutcome& outcome) {
    // The settings' folder only with settings in it: a generation with an
    // empty one would restore no settings at all.
    const bool withSetup = std::any_of(sources.begin(), sources.end(), isSettings);
    if (!ops.makeFolder(folder) || !ops.makeFolder(folder / kGenerationBooks) ||
        !ops.makeFolder(folder / kGenerationData) ||
        (withSetup && !ops.makeFolder(folder / kGenerationSetup)))
        return false;

    std::vector<fs::path> unflushed;
    for (const Source& source : sources) {
        const fs::path target = folder / source.target;
        if (std::optional<LinkFrom> from = choose(source)) {
            if (ops.hardLink(from->existing, target)) {
                if (from->flush) unflushed.push_back(target);
                manifest.files.push_back(std::move(from->entry));
                ++outcome.linkedFiles;
                continue;
            }
            // No hard links here (or no more for that file): a copy will do.
        }
        const CopyReport copy = ops.copyFile(source.path, target);
        if (copy.result == CopyResult::SourceGone) {
            if (!ops.removeTree(target, folder)) return false;
            continue;
        }
        if (copy.result != CopyResult::Copied) return false;
        ManifestEntry entry{source.target, source.source, copy.before};
        // Changed while it was copied: the copy may hold a mix, so the next
        // backup must not take it for the file's latest state.
        if (!copy.before.sameContentStamp(copy.after)) entry.stamp.modifiedNanoseconds = -1;
        manifest.files.push_back(std::move(entry));
        unflushed.push_back(target);
        ++outcome.copiedFiles;
    }
    // The manifest makes the generation complete: not before its files are
    // on the disk.
    if (!flushAll(ops, folder, unflushed)) return false;
    return ops.writeFile(folder / kManifestName, encodeManifest(manifest)) &&
           ops.syncFolder(folder / kGenerationBooks) && ops.syncFolder(folder / kGenerationData) &&
           (!withSetup || ops.syncFolder(folder / kGenerationSetup)) && ops.syncFolder(folder);
}

bool swapInGeneration(FolderOperations& ops, const BackupPlaces& places, const fs::path& built,
                      const Generation* previous, std::string& movedTo) {
    fs::path aside;
    if (previous != nullptr && previous->latest) {
        movedTo = freeOlderId(ops, places, previous->id);
        aside = places.older(movedTo);
        if (!ops.rename(places.latest, aside)) return false;
    }
    if (!ops.rename(built, places.latest)) {
        if (!aside.empty() && !ops.rename(aside, places.latest)) {
            // Still the newest older generation; the next run puts it back.
        }
        return false;
    }
    // The generation is complete and in place; an unflushed rename at worst
    // comes back as the interrupted state, which the next run finishes.
    static_cast<void>(ops.syncFolder(places.runFolder));
    return true;
}

bool takeOutOlder(FolderOperations& ops, const BackupPlaces& places, std::int32_t generationsKept,
                  const std::vector<std::string>& keepAlso) {
    const std::vector<Generation> generations = listGenerations(ops, places);
    const auto kept = static_cast<std::size_t>(std::max(generationsKept, 1));
    std::size_t seen = 0;
    bool takenOut = true;
    for (const Generation& generation : generations) {
        if (++seen <= kept || generation.latest) continue;
        if (std::find(keepAlso.begin(), keepAlso.end(), generation.id) != keepAlso.end()) continue;
        takenOut = ops.rename(generation.folder, places.removed(generation.id)) && takenOut;
    }
    return takenOut;
}

bool removeTakenOut(FolderOperations& ops, const BackupPlaces& places) {
    const auto entries = ops.list(places.runFolder);
    if (!entries) return false;
    bool removed = true;
    for (const FolderEntry& entry : *entries) {
        if (entry.name.starts_with(places.removedPrefix))
            removed = ops.removeTree(places.runFolder / entry.name, places.runFolder) && removed;
    }
    // Not flushed: a removal the disk forgets is made again by the next run,
    // and a flush here would wait for the file system to discard every block
    // the removed files held.
    return removed;
}

std::vector<std::string> idsOf(const std::vector<Generation>& generations) {
    std::vector<std::string> ids;
    for (const Generation& generation : generations) ids.push_back(generation.id);
    return ids;
}

}  // namespace qinghe::maintenance
