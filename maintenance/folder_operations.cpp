#include "maintenance/folder_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/file_descriptor.h"
#include "common/folders.h"

namespace qinghe::maintenance {

namespace fs = std::filesystem;

namespace {

EntryType typeOf(mode_t mode) {
    if (S_ISREG(mode)) return EntryType::Regular;
    if (S_ISDIR(mode)) return EntryType::Folder;
    return EntryType::Other;
}

FileStatus statusOf(const struct stat& st) {
    FileStatus status;
    status.type = typeOf(st.st_mode);
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    status.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return status;
}

FileStatus statusOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return statusOf(st);
}

bool writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

bool readExactly(int fd, char* data, std::size_t length, std::uint64_t offset) {
    while (length > 0) {
        const ssize_t got = ::pread(fd, data, length, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return false;
        data += got;
        length -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

// The bytes through a buffer of our own, for file systems where the kernel
// cannot copy between the two files.
bool copyThroughBuffer(int source, int target, std::uint64_t offset) {
    if (::lseek(source, static_cast<off_t>(offset), SEEK_SET) < 0 ||
        ::lseek(target, static_cast<off_t>(offset), SEEK_SET) < 0)
        return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(source, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!writeAll(target, buffer.data(), static_cast<std::size_t>(got))) return false;
    }
}

// The whole source into the empty target: a clone sharing blocks copy-on-write
// where the file system offers one (a separate file: writing either leaves the
// other as it is), otherwise the kernel's copy, otherwise a buffer. The disk
// is sent each piece as it is copied, so the flush that follows has little
// left to wait for.
bool copyContents(int source, int target) {
    if (::ioctl(target, FICLONE, source) == 0) return true;
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    std::uint64_t copied = 0;
    for (;;) {
        const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, kPiece, 0);
        if (n > 0) {
            static_cast<void>(
                ::sync_file_range(target, static_cast<off_t>(copied), n, SYNC_FILE_RANGE_WRITE));
            copied += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
            errno == EPERM || errno == ETXTBSY) {
            return copyThroughBuffer(source, target, copied);
        }
        return false;
    }
}

}  // namespace

FileStatus PosixFolderOperations::status(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    return statusOf(st);
}

std::optional<std::vector<FolderEntry>> PosixFolderOperations::list(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        EntryType type = EntryType::Other;
        if (entry->d_type == DT_REG) {
            type = EntryType::Regular;
        } else if (entry->d_type == DT_DIR) {
            type = EntryType::Folder;
        } else if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                failed = true;
                break;
            }
            type = typeOf(st.st_mode);
        }
        entries.push_back({name, type});
    }
    ::closedir(dir);
    if (failed) return std::nullopt;
    return entries;
}

std::optional<std::string> PosixFolderOperations::readFile(const fs::path& file,
                                                           std::size_t maxBytes) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.get() < 0) return std::nullopt;
    const FileStatus status = statusOf(fd.get());
    if (status.type != EntryType::Regular || status.size > maxBytes) return std::nullopt;
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) return std::nullopt;
    }
    return bytes;
}

bool PosixFolderOperations::sameContents(const fs::path& a, const fs::path& b) {
    FileDescriptor first(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    FileDescriptor second(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (first.get() < 0 || second.get() < 0) return false;
    const FileStatus one = statusOf(first.get());
    const FileStatus other = statusOf(second.get());
    if (one.type != EntryType::Regular || other.type != EntryType::Regular ||
        one.size != other.size)
        return false;
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<char> left(kChunk), right(kChunk);
    for (std::uint64_t offset = 0; offset < one.size;) {
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, one.size - offset));
        if (!readExactly(first.get(), left.data(), length, offset) ||
            !readExactly(second.get(), right.data(), length, offset) ||
            std::memcmp(left.data(), right.data(), length) != 0)
            return false;
        offset += length;
    }
    return true;
}

bool PosixFolderOperations::makeFolder(const fs::path& folder) {
    return ::mkdir(folder.c_str(), 0777) == 0;
}

bool PosixFolderOperations::writeFile(const fs::path& file, std::string_view bytes) {
    FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) return false;
    return writeAll(fd.get(), bytes.data(), bytes.size()) && ::fdatasync(fd.get()) == 0 &&
           fd.close();
}

CopyReport PosixFolderOperations::copyFile(const fs::path& from, const fs::path& to) {
    CopyReport report;
    // O_NONBLOCK: something that became a pipe since it was listed must not
    // hang the copy; it is refused below, as is a folder.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (source.get() < 0) {
        report.result = errno == ENOENT ? CopyResult::SourceGone : CopyResult::Failed;
        return report;
    }
    report.before = statusOf(source.get());
    if (report.before.type != EntryType::Regular) return report;
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (target.get() < 0 || !copyContents(source.get(), target.get()) || !target.close())
        return report;
    report.after = statusOf(source.get());
    report.result = CopyResult::Copied;
    return report;
}

bool PosixFolderOperations::syncFile(const fs::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) return false;
    return ::fdatasync(fd.get()) == 0;
}

bool PosixFolderOperations::syncFileSystem(const fs::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    return ::syncfs(fd.get()) == 0;
}

bool PosixFolderOperations::hardLink(const fs::path& existing, const fs::path& link) {
    return ::link(existing.c_str(), link.c_str()) == 0;
}

bool PosixFolderOperations::rename(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: only one process works on
    // these names (one instance per run directory), so a look first will do.
    if (status(to).type != EntryType::Missing) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFolderOperations::removeTree(const fs::path& path, const fs::path& within) {
    return deleteFolderTree(path, within);
}

bool PosixFolderOperations::syncFolder(const fs::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    // A file system that cannot sync a folder (EINVAL) keeps its names anyway.
    return ::fsync(fd.get()) == 0 || errno == EINVAL;
}

}  // namespace qinghe::maintenance
