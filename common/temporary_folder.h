#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qinghe {

// A fresh folder of its own (mkdtemp: "<prefix>XXXXXX" below `base`, by default
// the system's temporary folder), removed with everything in it when the
// object goes. Tests, benchmarks, the fuzzers and the command-line tool all
// make their scratch folders with it.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(std::string_view prefix = "qinghe-", std::filesystem::path base = {});
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // False when the folder could not be made; the path is then empty.
    bool made() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Removes everything inside, keeping the folder.
    void clear() const;

  private:
    std::filesystem::path path_;
};

}  // namespace qinghe
