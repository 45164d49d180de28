#include "report/export_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "common/file_descriptor.h"

namespace qinghe::report {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the renaming itself last.
bool syncFolder(const std::filesystem::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

}  // namespace

bool writeExportFile(const std::filesystem::path& path, std::string_view bytes, Flush flush) {
    std::filesystem::path fresh = path;
    fresh += ".part-" + std::to_string(::getpid());
    FileDescriptor fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    bool written = writeAll(fd.get(), bytes);
    if (flush == Flush::Now) written = written && ::fdatasync(fd.get()) == 0;
    written = fd.close() && written;
    written = written && std::rename(fresh.c_str(), path.c_str()) == 0;
    if (!written) {
        ::unlink(fresh.c_str());
        return false;
    }
    if (flush == Flush::Now) {
        const std::filesystem::path folder = path.parent_path();
        return syncFolder(folder.empty() ? std::filesystem::path(".") : folder);
    }
    return true;
}

bool syncFileSystemOf(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.get() >= 0 && ::syncfs(fd.get()) == 0;
}

}  // namespace qinghe::report
