#include "maintenance/backup_places.h"

#include "config/settings.h"
#include "tables/schemas.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

BackupPlaces::BackupPlaces(const RunDirectory& run) {
    latest = run.below(tables::kBackupFolder);
    runFolder = latest.has_parent_path() ? latest.parent_path() : fs::path(".");
    registry = run.below(tables::kRegistryPath);
    books = registry.parent_path();
    data = run.below(tables::kDataFolder);
    setup = setupFolder(run);
    latestName = latest.filename().string();
    olderPrefix = latestName + "-";
    buildingPrefix = latestName + ".new-";
    removedPrefix = latestName + ".removed-";
}

fs::path BackupPlaces::older(const std::string& id) const {
    return runFolder / (olderPrefix + id);
}

fs::path BackupPlaces::building(long processId) const {
    return runFolder / (buildingPrefix + std::to_string(processId));
}

fs::path BackupPlaces::removed(const std::string& id) const {
    return runFolder / (removedPrefix + id);
}

fs::path BackupPlaces::safetyGeneration() const {
    return runFolder / (latestName + ".safety");
}

fs::path BackupPlaces::restoring(const fs::path& live) const {
    return runFolder / (live.filename().string() + ".restore");
}

fs::path BackupPlaces::beforeRestore(const fs::path& live) const {
    return runFolder / (live.filename().string() + ".before-restore");
}

fs::path BackupPlaces::removing(const fs::path& live) const {
    return runFolder / (live.filename().string() + ".removed");
}

fs::path BackupPlaces::restoreJournal() const {
    return runFolder / "restore.journal";
}

fs::path BackupPlaces::restoreJournalBeingWritten() const {
    return runFolder / "restore.journal.new";
}

fs::path BackupPlaces::initialiseJournal() const {
    return runFolder / "initialise.journal";
}

}  // namespace qinghe::maintenance
