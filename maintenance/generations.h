#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/backup_places.h"
#include "maintenance/folder_operations.h"

namespace qinghe::maintenance {

// A generation's id: the local date and time it was made ("20150512-180000"),
// followed by "-2", "-3", ... when an id of that second exists already. A new
// id is always greater than every existing one, even when the clock went back,
// so the order of ids is the order the generations were made in.
struct GenerationId {
    std::string stamp;  // yyyymmdd-hhmmss
    int sequence = 1;

    std::string text() const;
    static std::optional<GenerationId> parse(std::string_view text);
    friend std::strong_ordering operator<=>(const GenerationId&, const GenerationId&) = default;
    friend bool operator==(const GenerationId&, const GenerationId&) = default;
};

// "yyyymmdd-hhmmss" of a local date-time (an OLE day count).
std::string idStampOf(double dateTime);
// The id for a generation made at `now`, greater than all of `existing`.
std::string nextGenerationId(double now, const std::vector<std::string>& existing);
// "2015-05-12 18:00:00".
std::string dateTimeText(double dateTime);
// A file time (seconds since 1970) as a local OLE date-time.
double localDateTimeOf(std::int64_t unixSeconds);

// One file of a generation and the live file it is a copy of.
struct ManifestEntry {
    std::string target;  // below the generation folder: "books/books.edb", "data/a.edb"
    std::string source;  // below the run directory: "data/x/a.edb"
    // The live file's size and modification time when it was copied; a file
    // that changed while it was copied gets a time no file has (-1 ns), so the
    // next backup copies it again.
    FileStatus stamp;
};

// What a generation holds, written last into its folder: a generation with a
// readable manifest is complete. File names are kept byte for byte (bytes
// that would break a line or a field are written as %XX).
struct Manifest {
    std::string id;
    double created = 0;  // local OLE date-time
    std::vector<ManifestEntry> files;
};

std::string encodeManifest(const Manifest& manifest);
// Nothing when the text is not a manifest of this version or is damaged.
std::optional<Manifest> decodeManifest(std::string_view text);
// Manifests are small: a line per file.
inline constexpr std::size_t kMaxManifestBytes = 16u * 1024 * 1024;
std::optional<Manifest> readManifest(FolderOperations& ops, const std::filesystem::path& folder);

struct Generation {
    std::string id;
    std::filesystem::path folder;
    double created = 0;
    bool latest = false;  // the one in backup/
    // Nothing for a backup folder without one (backup/books and backup/data
    // only, as an installation of the original program holds): it is
    // restorable, only its files are not linked to by the next backup.
    std::optional<Manifest> manifest;
};

// Every generation, newest first: the latest (backup/) and then the older
// ones by id. A latest without a manifest takes its id and date from the
// folder's time.
std::vector<Generation> listGenerations(FolderOperations& ops, const BackupPlaces& places);
// A generation's manifest lines by their target; empty for a generation
// without a manifest (or none).
using ManifestByTarget = std::map<std::string, const ManifestEntry*>;
ManifestByTarget manifestByTarget(const Generation* generation);

// The generation of that id; the latest when `id` is empty.
std::optional<Generation> findGeneration(const std::vector<Generation>& generations,
                                         std::string_view id);

struct GenerationSize {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t ledgers = 0;  // the ledgers' entry tables among the files
};
// The registry, data and settings files a generation holds, as restoring it
// would copy them. Files shared with other generations count in each.
GenerationSize measureGeneration(FolderOperations& ops, const Generation& generation);

}  // namespace qinghe::maintenance
