#include "maintenance/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/file_descriptor.h"
#include "common/folders.h"
#include "store/schemas.h"

namespace qinghe {

namespace fs = std::filesystem;

namespace {

bool writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

enum class CopyResult { kCopied, kSourceGone, kFailed };

// Copies one file and flushes the copy to the disk. An existing target (an earlier
// file of the same name) is deleted first rather than written through, so that a
// read-only earlier copy cannot stop it.
CopyResult copyFlushed(const fs::path& from, const fs::path& to, std::vector<char>& buffer) {
    // O_NONBLOCK: something that became a pipe since it was listed must not hang the
    // backup; it is refused below, as is a folder.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (source.get() < 0) return errno == ENOENT ? CopyResult::kSourceGone : CopyResult::kFailed;
    struct stat st {};
    if (::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) return CopyResult::kFailed;

    if (::unlink(to.c_str()) != 0 && errno != ENOENT) return CopyResult::kFailed;
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (target.get() < 0) return CopyResult::kFailed;
    for (;;) {
        const ssize_t got = ::read(source.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return CopyResult::kFailed;
        }
        if (got == 0) break;
        if (!writeAll(target.get(), buffer.data(), static_cast<std::size_t>(got))) {
            return CopyResult::kFailed;
        }
    }
    if (::fdatasync(target.get()) != 0) return CopyResult::kFailed;
    return target.close() ? CopyResult::kCopied : CopyResult::kFailed;
}

// Makes the entries of a folder durable. A file system that cannot sync a folder
// (EINVAL) is no failure: the files in it are flushed already.
bool syncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    return ::fsync(fd.get()) == 0 || errno == EINVAL;
}

bool isPresent(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// Every regular file below a folder, recursively, sorted by path so that the file that
// wins a name clash is always the same. A folder that cannot be read fails the whole
// listing: a backup that silently left files out would replace a complete one. A
// missing folder holds no files.
bool listFiles(const fs::path& folder, std::vector<fs::path>& files) {
    if (!isPresent(folder)) return true;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code statusError;
        const fs::file_type type = it->symlink_status(statusError).type();
        if (statusError) return false;
        // Links and special files are no tables of this folder.
        if (type == fs::file_type::regular) files.push_back(it->path());
    }
    if (ec) return false;
    std::sort(files.begin(), files.end());
    return true;
}

struct BackupPlaces {
    fs::path runFolder;  // holds the three below
    fs::path backup;
    fs::path previous;     // the old backup while the new one is swapped in
    std::string building;  // name prefix of folders in which a backup is built
};

BackupPlaces placesOf(const RunDirectory& run) {
    BackupPlaces places;
    places.backup = run.below(store::kBackupFolder);
    places.runFolder = places.backup.has_parent_path() ? places.backup.parent_path() : ".";
    const std::string name = places.backup.filename().string();
    places.previous = places.runFolder / (name + ".old");
    places.building = name + ".new-";
    return places;
}

// An earlier run may have stopped half-way: a half-built backup is thrown away (any
// process id will do, as only one instance runs per run directory). A backup moved
// aside is the last complete one when no backup is in place, and is put back;
// otherwise it is the one that was being replaced.
void clearLeftovers(const RunDirectory& run, const BackupPlaces& places) {
    std::vector<fs::path> stale;
    std::error_code ec;
    for (fs::directory_iterator it(places.runFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().starts_with(places.building)) {
            stale.push_back(it->path());
        }
    }
    // What cannot be removed now is tried again by the next backup.
    for (const fs::path& folder : stale) static_cast<void>(deleteFolderTree(folder, run.root()));

    if (!isPresent(places.previous)) return;
    if (isPresent(places.backup)) {
        static_cast<void>(deleteFolderTree(places.previous, run.root()));
    } else if (::rename(places.previous.c_str(), places.backup.c_str()) == 0) {
        syncFolder(places.runFolder);
    }
}

// Copies everything into the folder `building` and flushes it. A source that vanished
// after it was listed is left out; any other failure leaves the backup incomplete.
bool buildBackup(const RunDirectory& run, const BackupPlaces& places, const fs::path& building) {
    const fs::path registryCopy =
        building / run.below(store::kBackupRegistryPath).lexically_relative(places.backup);
    const fs::path dataCopy =
        building / run.below(store::kBackupDataFolder).lexically_relative(places.backup);

    std::error_code ec;
    if (!fs::create_directory(building, ec) || ec) return false;
    fs::create_directories(registryCopy.parent_path(), ec);
    if (ec) return false;
    fs::create_directories(dataCopy, ec);
    if (ec) return false;

    std::vector<fs::path> dataFiles;
    if (!listFiles(run.below(store::kDataFolder), dataFiles)) return false;

    std::vector<char> buffer(256 * 1024);
    if (copyFlushed(run.below(store::kRegistryPath), registryCopy, buffer) == CopyResult::kFailed) {
        return false;
    }
    // Folder structure is not kept: a later file of the same name replaces the earlier.
    for (const fs::path& file : dataFiles) {
        if (copyFlushed(file, dataCopy / file.filename(), buffer) == CopyResult::kFailed) {
            return false;
        }
    }
    return syncFolder(registryCopy.parent_path()) && syncFolder(dataCopy) && syncFolder(building);
}

// Moves the old backup aside, the new one in, and only then deletes the old one. An
// interruption in between leaves the old backup aside, where the next run finds it.
bool swapIn(const RunDirectory& run, const BackupPlaces& places, const fs::path& building) {
    const bool hadBackup = isPresent(places.backup);
    if (hadBackup && ::rename(places.backup.c_str(), places.previous.c_str()) != 0) return false;
    if (::rename(building.c_str(), places.backup.c_str()) != 0) {
        if (hadBackup) ::rename(places.previous.c_str(), places.backup.c_str());
        return false;
    }
    syncFolder(places.runFolder);
    // The new backup is complete whether or not the old one can be deleted now; what
    // stays is cleared up by the next run.
    if (isPresent(places.previous))
        static_cast<void>(deleteFolderTree(places.previous, run.root()));
    return true;
}

}  // namespace

bool runBackup(const RunDirectory& run) {
    const BackupPlaces places = placesOf(run);
    clearLeftovers(run, places);

    const fs::path building = places.runFolder / (places.building + std::to_string(::getpid()));
    if (buildBackup(run, places, building) && swapIn(run, places, building)) return true;
    static_cast<void>(deleteFolderTree(building, run.root()));
    return false;
}

}  // namespace qinghe
