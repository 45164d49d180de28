#include "report/export_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "common/file_descriptor.h"

namespace qinghe::report {

namespace {

// Makes the renaming itself last.
bool syncFolder(const std::filesystem::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

}  // namespace

ExportFile::ExportFile(std::filesystem::path path) : path_(std::move(path)), fresh_(path_) {
    fresh_ += ".part-" + std::to_string(::getpid());
    fd_ = ::open(fresh_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    failed_ = fd_ < 0;
}

ExportFile::~ExportFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(fresh_.c_str());
}

bool ExportFile::write(std::string_view bytes) {
    std::size_t done = 0;
    while (!failed_ && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return !failed_;
}

bool ExportFile::commit(Flush flush) {
    if (failed_ || committed_) return false;
    bool written = flush == Flush::Later || ::fdatasync(fd_) == 0;
    written = ::close(fd_) == 0 && written;
    fd_ = -1;
    written = written && std::rename(fresh_.c_str(), path_.c_str()) == 0;
    if (!written) {
        failed_ = true;
        return false;
    }
    committed_ = true;
    if (flush == Flush::Later) return true;
    const std::filesystem::path folder = path_.parent_path();
    return syncFolder(folder.empty() ? std::filesystem::path(".") : folder);
}

bool writeExportFile(const std::filesystem::path& path, std::string_view bytes, Flush flush) {
    ExportFile file(path);
    return file.write(bytes) && file.commit(flush);
}

bool syncFileSystemOf(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.get() >= 0 && ::syncfs(fd.get()) == 0;
}

}  // namespace qinghe::report
