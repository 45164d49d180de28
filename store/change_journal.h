#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "store/file_changes.h"
#include "store/file_layer.h"
#include "store/overlay_file.h"

namespace qinghe::store {

// A redo journal left beside a table by an earlier version, which changed a
// table's files in place: what the change writes to each file (as the bytes go
// to disk) and the files' new lengths were saved and flushed first; then the
// change was made, flushed, and the journal removed. A complete journal found
// at open means the change was interrupted after it was decided: it is made
// again (every step can be repeated). A journal cut short was never acted on
// and is dropped. Changes are made through the change log now (ChangeLog).
class ChangeJournal {
  public:
    // The files a journal can change.
    enum FileIndex { kData = 0, kCompanion = 1, kFileCount = 2 };

    ChangeJournal(FileSystem& files, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    bool touches(FileIndex file) const { return commits_[file].has_value(); }

    // Makes the changes on the given files (null: a file the journal does not
    // touch) and flushes them.
    [[nodiscard]] bool apply(const std::array<File*, kFileCount>& files);
    // The same changes held by overlays, for reading a table without writing it.
    [[nodiscard]] bool applyTo(FileIndex file, OverlayFile& overlay) const;
    // Removes the journal, durably: the change is made.
    [[nodiscard]] bool discard();

    enum class Found { None, Complete, CutShort };
    // Reads the journal left at the path, if any.
    Found load();

  private:
    bool parse(std::string_view text);
    bool parseLegacy(std::string_view text);

    FileSystem& files_;
    std::filesystem::path path_;
    FileChanges commits_;
    std::string loaded_;  // the bytes a loaded journal's changes point into
};

}  // namespace qinghe::store
