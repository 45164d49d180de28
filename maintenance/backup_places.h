#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/run_directory.h"

namespace qinghe::maintenance {

// Where backup, restore and initialisation keep their folders, all directly in
// the run directory so that every swap is a rename within one folder:
//
//   backup/                    the latest generation: books/books.edb, data/...,
//                              setup/... and its manifest
//   backup-20150512-180000/    older generations, the same inside, named by
//                              their generation id (newest kept, oldest pruned)
//   backup.new-PID/            a generation being built
//   backup.removed-ID/         an older generation on its way out
//   books.restore, data.restore, setup.restore, restore.journal(.new),
//   *.before-restore
//                              a restore being built and swapped in
//   backup.safety/             the generation of the data a restore replaces,
//                              swapped in with it
//   books.removed, data.removed, initialise.journal
//                              an initialisation's data on its way out
struct BackupPlaces {
    explicit BackupPlaces(const RunDirectory& run);

    std::filesystem::path runFolder;
    std::filesystem::path latest;  // backup/
    std::filesystem::path books;   // books/ (the registry's folder)
    std::filesystem::path data;    // data/
    std::filesystem::path setup;   // setup/ (the settings and the item and member lists)
    std::filesystem::path registry;

    // A generation's folder: the latest, or an older one by its id.
    std::filesystem::path older(const std::string& id) const;
    std::filesystem::path building(long processId) const;
    std::filesystem::path removed(const std::string& id) const;

    // The live folders a restore puts back.
    std::vector<std::filesystem::path> restoredFolders() const { return {books, data, setup}; }

    // Beside a live folder (books/, data/ or setup/): its restored copy being built,
    // the live one moved aside during the swap, the live one on its way out
    // during an initialisation.
    std::filesystem::path restoring(const std::filesystem::path& live) const;
    std::filesystem::path beforeRestore(const std::filesystem::path& live) const;
    std::filesystem::path removing(const std::filesystem::path& live) const;
    // The generation a restore makes of the data it replaces: complete
    // before the restore's journal is written, put in place with the swap.
    std::filesystem::path safetyGeneration() const;
    // Present while a complete restore is being swapped in.
    std::filesystem::path restoreJournal() const;
    // The journal while it is written, before it takes its name.
    std::filesystem::path restoreJournalBeingWritten() const;
    // Present while an initialisation moves the live folders out.
    std::filesystem::path initialiseJournal() const;

    std::string latestName;      // "backup"
    std::string olderPrefix;     // "backup-"
    std::string buildingPrefix;  // "backup.new-"
    std::string removedPrefix;   // "backup.removed-"
};

// Inside a generation folder.
inline constexpr char kGenerationBooks[] = "books";
inline constexpr char kGenerationData[] = "data";
// The settings of when it was made; a generation of the original program, or
// of a release before, has none, and restoring it keeps the settings.
inline constexpr char kGenerationSetup[] = "setup";
inline constexpr char kGenerationRegistry[] = "books/books.edb";
inline constexpr char kManifestName[] = "manifest.txt";

}  // namespace qinghe::maintenance
