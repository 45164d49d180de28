#include "common/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

#include "common/run_directory.h"

namespace qinghe {

std::optional<RunLock> RunLock::take(const std::filesystem::path& runDirectory, Kind kind,
                                     std::chrono::milliseconds wait) {
    const std::filesystem::path file = runDirectory / kInstanceLockName;
    int fd = -1;
    if (kind == Kind::Shared) {
        // Readers leave the folder as it is: without a lock file no program
        // has run here, and there is nothing to share.
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return errno == ENOENT ? std::optional<RunLock>(RunLock(-1)) : std::nullopt;
    } else {
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return std::nullopt;
    }
    const int operation = (kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const auto until = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, operation) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= until) {
            ::close(fd);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (kind == Kind::Exclusive) {
        // Who holds it, for people looking at the folder; nothing relies on it.
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) == 0) static_cast<void>(::pwrite(fd, pid.data(), pid.size(), 0));
    }
    return RunLock(fd);
}

RunLock& RunLock::operator=(RunLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

RunLock::~RunLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace qinghe
