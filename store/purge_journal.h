#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::store {

// A redo journal for a change made in place: the bytes the change will write
// (as they go to disk) and the file's new length are saved and flushed first;
// then the change is made and the journal removed. A complete journal found at
// open time means the change was interrupted after it was decided: it is made
// again. A journal cut short was never acted on and is dropped.
class PurgeJournal {
  public:
    PurgeJournal(FileSystem& files, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // Records one write of the change (kept in memory until save).
    void add(std::uint64_t offset, std::string bytes);
    // Saves the recorded writes and the final length, and flushes the journal.
    [[nodiscard]] bool save(std::uint64_t finalLength);
    // Makes the recorded writes, cuts the file to its final length, flushes.
    [[nodiscard]] bool apply(File& file);
    // Removes the journal: the change is durable.
    [[nodiscard]] bool discard();
    // At open: finishes a change whose journal is complete; drops one cut short.
    [[nodiscard]] bool recover(File& file);

  private:
    struct Write {
        std::uint64_t offset;
        std::string bytes;
    };
    bool parse(std::string_view text);

    FileSystem& files_;
    std::filesystem::path path_;
    std::uint64_t finalLength_ = 0;
    std::vector<Write> writes_;
};

}  // namespace qinghe::store
