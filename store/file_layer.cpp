#include "store/file_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace qinghe::store {
namespace {

class PosixFile final : public File {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool readAt(std::uint64_t offset, void* data, std::size_t length) override {
        auto got = readSomeAt(offset, data, length);
        return got && *got == length;
    }

    std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                          std::size_t length) override {
        auto* out = static_cast<char*>(data);
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        const auto* in = static_cast<const char*>(data);
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pwrite(fd_, in + done, length - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::optional<std::uint64_t> size() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return std::nullopt;
        return static_cast<std::uint64_t>(st.st_size);
    }

    bool truncate(std::uint64_t length) override {
        return ::ftruncate(fd_, static_cast<off_t>(length)) == 0;
    }

    bool reserve(std::uint64_t length) override {
        const auto now = size();
        if (!now) return false;
        if (length <= *now) return true;
        int result = 0;
        do {
            result = ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(*now),
                                 static_cast<off_t>(length - *now));
        } while (result != 0 && errno == EINTR);
        // A file system that cannot reserve finds a full disk at the write.
        return result == 0 || errno == EOPNOTSUPP || errno == ENOSYS;
    }

    bool sync() override { return ::fdatasync(fd_) == 0; }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<File> PosixFileSystem::open(const std::filesystem::path& path, OpenMode mode) {
    // Without waiting: a FIFO or a device named as a table would otherwise
    // hold the caller (and the data folder's lock) until something wrote to
    // it. Only regular files are tables.
    int flags = (mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
    if (mode == OpenMode::Create) flags |= O_CREAT | O_TRUNC;
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

bool PosixFileSystem::exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool PosixFileSystem::remove(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool PosixFileSystem::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFileSystem::syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace qinghe::store
