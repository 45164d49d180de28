#pragma once

#include <sys/wait.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

namespace qinghe::testing {

// AddressSanitizer pads every allocation and keeps freed memory in
// quarantine, so resident memory under it says nothing about the code's own
// needs: bounds on it hold only in a plain build.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMemoryBoundsHold = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kMemoryBoundsHold = false;
#else
inline constexpr bool kMemoryBoundsHold = true;
#endif
#else
inline constexpr bool kMemoryBoundsHold = true;
#endif

// A line "Name:   1234 kB" of /proc/self/status, in bytes; -1 when missing.
inline std::int64_t statusBytes(const char* name) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name, 0) == 0 && line.size() > std::string(name).size() &&
            line[std::string(name).size()] == ':') {
            std::istringstream value(line.substr(std::string(name).size() + 1));
            std::int64_t kilobytes = -1;
            value >> kilobytes;
            return kilobytes < 0 ? -1 : kilobytes * 1024;
        }
    }
    return -1;
}

// Runs `work` in a child process and gives the most resident memory it held
// at any moment above what the process held when it began: its peak memory
// above the baseline. Nothing when the child did not finish (a crash) or
// `work` returned false.
inline std::optional<std::int64_t> peakMemoryAbove(const std::function<bool()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(fds[0]);
#if defined(__GLIBC__)
        // Memory the parent freed stays resident in the heap, and reusing it
        // would not show: hand it back first, so that every byte the work
        // takes is a byte more.
        ::malloc_trim(0);
#endif
        // Start the high-water mark over at what the child holds now.
        { std::ofstream("/proc/self/clear_refs") << "5"; }
        const std::int64_t baseline = statusBytes("VmRSS");
        const bool done = work();
        const std::int64_t peak = statusBytes("VmHWM");
        const std::int64_t above = peak - baseline;
        const bool sent = ::write(fds[1], &above, sizeof above) == sizeof above;
        ::_exit(done && sent && baseline >= 0 && peak >= 0 ? 0 : 1);
    }
    ::close(fds[1]);
    std::int64_t above = 0;
    const bool received = ::read(fds[0], &above, sizeof above) == sizeof above;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return above;
}

}  // namespace qinghe::testing
