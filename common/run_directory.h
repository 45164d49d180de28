#pragma once

#include <filesystem>
#include <string_view>

namespace qinghe {

// The file in the run directory that the running program holds locked
// (its process number on the first line), so that only one runs per folder.
inline constexpr char kInstanceLockName[] = ".qinghe.lock";

// The folder that holds the executable (resolved through /proc/self/exe).
std::filesystem::path executableDirectory();

// The folder below which all data lives. The program uses the executable's
// folder; tests and tools name another one.
class RunDirectory {
  public:
    explicit RunDirectory(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }
    // A suffix in the stored form ("\user\user.edb"; "/" is read too) below the
    // run directory. The suffix is UTF-8.
    std::filesystem::path below(std::string_view suffix) const;

  private:
    std::filesystem::path root_;
};

}  // namespace qinghe
