#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "maintenance/backup.h"
#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"
#include "maintenance/generations.h"

// The pieces a backup and a restore share to make a generation of the live
// data and put it in place.

namespace qinghe::maintenance {

// One live file to back up and where its copy goes.
struct Source {
    std::string target;  // below the generation: "books/books.edb", "data/NAME"
    std::string source;  // below the run folder
    std::filesystem::path path;
    FileStatus status;
};

// The registry, the data files and the settings files, each with its target;
// of two data files of one name the later in path order wins, so it is always
// the same one. False when a folder cannot be read: a backup that silently
// left files out would replace a complete one.
bool listSources(FolderOperations& ops, const BackupPlaces& places, std::vector<Source>& sources);

// The previous generation's copy of a source when the source has not changed
// since it was copied: same live file, same size and time to the nanosecond,
// and the copy still there at that size. `entries` is the previous
// generation's manifestByTarget.
const ManifestEntry* unchangedCopy(FolderOperations& ops, const Generation* previous,
                                   const ManifestByTarget& entries, const Source& source);

// Whether the latest generation holds exactly the live files as they are now
// (the settings but for the date of the last backup, which each backup writes).
bool latestIsCurrent(FolderOperations& ops, const Generation& latest,
                     const std::vector<Source>& sources);

// A file that can stand in a new generation for a source without a copy: it
// holds the source's bytes and nobody writes it any more (a generation's
// copy, or a live file that leaves its place with the restore). `entry` is
// the manifest line the generation gets for it.
struct LinkFrom {
    std::filesystem::path existing;
    ManifestEntry entry;
    // A live file, whose last writes may not be on the disk yet: flushed
    // with the copies.
    bool flush = false;
};
using LinkChoice = std::function<std::optional<LinkFrom>(const Source&)>;

// Makes `files` durable, all of them on the file system of `within`.
bool flushAll(FolderOperations& ops, const std::filesystem::path& within,
              const std::vector<std::filesystem::path>& files);

// Builds a complete generation in `folder` (a new name): every source linked
// where `choose` names a file for it and a link can be made, copied
// otherwise; the copies flushed, the manifest written last, the folders
// flushed. False on any failure; what was made is left for the caller to
// remove.
bool buildGeneration(FolderOperations& ops, const std::filesystem::path& folder,
                     const std::vector<Source>& sources, const LinkChoice& choose,
                     Manifest& manifest, BackupOutcome& outcome);

// The generation in `built` in as backup/, the latest before it (`previous`
// when it is the latest) moved aside under its id, the one it got stored in
// `movedTo`. Between the two renames the previous latest is the newest older
// generation, which the next run moves back.
bool swapInGeneration(FolderOperations& ops, const BackupPlaces& places,
                      const std::filesystem::path& built, const Generation* previous,
                      std::string& movedTo);

// Takes the oldest generations beyond the number kept (never those of
// `keepAlso`) out of the list, each in one rename to backup.removed-ID, so
// that a removal cut short never leaves a listed generation with files
// missing. False when one could not be taken out: it stays listed, and the
// next backup tries again.
[[nodiscard]] bool takeOutOlder(FolderOperations& ops, const BackupPlaces& places,
                                std::int32_t generationsKept,
                                const std::vector<std::string>& keepAlso);

// Removes the files of the generations taken out of the list. False when one
// could not be removed; the next run's recovery tries again.
[[nodiscard]] bool removeTakenOut(FolderOperations& ops, const BackupPlaces& places);

std::vector<std::string> idsOf(const std::vector<Generation>& generations);

}  // namespace qinghe::maintenance
