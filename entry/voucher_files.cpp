#include "entry/voucher_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "common/file_descriptor.h"

namespace qinghe::entry {

VoucherFile readVoucherFile(const std::filesystem::path& path) {
    VoucherFile file;
    // Without waiting: a FIFO or a device would otherwise hold the command
    // (and the data folder's lock) until something wrote to it. Only regular
    // files are read.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        file.error = VoucherFileError::Unreadable;
        return file;
    }
    if (static_cast<std::uint64_t>(status.st_size) > kMaxVoucherFileBytes) {
        file.error = VoucherFileError::TooLarge;
        return file;
    }
    file.bytes.resize(static_cast<std::size_t>(status.st_size));
    std::size_t done = 0;
    // Read to the end, whatever the size said: the file may have grown or
    // shrunk since.
    for (;;) {
        if (done == file.bytes.size()) {
            if (done > kMaxVoucherFileBytes) break;  // grew past the limit
            file.bytes.resize(std::min<std::size_t>(done + 65536, kMaxVoucherFileBytes + 1));
        }
        const ssize_t n = ::read(fd.get(), file.bytes.data() + done, file.bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            file = {{}, VoucherFileError::Unreadable};
            return file;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done > kMaxVoucherFileBytes) {
        file = {{}, VoucherFileError::TooLarge};
        return file;
    }
    file.bytes.resize(done);
    return file;
}

bool writeVoucherFile(const std::filesystem::path& path, std::string_view bytes) {
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    std::size_t done = 0;
    bool written = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    written = written && ::fdatasync(fd.get()) == 0;
    written = fd.close() && written;
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    return written;
}

}  // namespace qinghe::entry
