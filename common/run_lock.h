#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace qinghe {

// One writer per run directory: an advisory lock (flock) on the file
// kInstanceLockName of the run directory. The program holds it exclusively for
// its whole run, each writing command of the tool while it runs, and reading
// commands share it. The kernel drops it when the process ends, however it
// ends, so a killed process or a reused process number never blocks anyone.
class RunLock {
  public:
    enum class Kind { Exclusive, Shared };

    // Takes the lock, trying again until `wait` has passed. Nothing when
    // another process holds it (or the lock file can be neither made nor read).
    // A shared lock where no lock file exists yet is had without one: reading
    // never makes files.
    static std::optional<RunLock> take(const std::filesystem::path& runDirectory, Kind kind,
                                       std::chrono::milliseconds wait = {});

    RunLock(RunLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    RunLock& operator=(RunLock&& other) noexcept;
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    ~RunLock();

  private:
    explicit RunLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace qinghe
