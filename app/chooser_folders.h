#pragma once

#include <filesystem>

namespace qinghe::ui {

// Where a file chooser opens: the folder the caller asks for, else the last
// folder the user chose in, else the home folder; never inside the data
// folder, whose files belong to the program alone.
class ChooserFolders {
  public:
    ChooserFolders(std::filesystem::path dataFolder, std::filesystem::path home);

    std::filesystem::path startFolder(const std::filesystem::path& requested = {}) const;
    // The user chose a file in (or chose) `folder`: the next chooser opens
    // there unless it lies inside the data folder.
    void used(const std::filesystem::path& folder);

  private:
    bool usable(const std::filesystem::path& folder) const;

    std::filesystem::path dataFolder_;
    std::filesystem::path home_;
    std::filesystem::path last_;
};

}  // namespace qinghe::ui
