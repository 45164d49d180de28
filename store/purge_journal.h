#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::store {

// A rollback journal for a change made in place: the bytes a change will
// overwrite are saved (as they lie on disk) and flushed before the change; the
// journal is removed when the change is durable. A journal found at open time
// means the change was interrupted: its bytes are put back.
class PurgeJournal {
public:
    struct Range {
        std::uint64_t offset;
        std::uint64_t length;
    };

    PurgeJournal(FileSystem& files, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // Saves the given ranges of the file and its length, and flushes the journal.
    bool save(File& file, std::uint64_t fileLength, const std::vector<Range>& ranges);
    // Puts the saved bytes back and restores the length.
    bool restore(File& file);
    // Removes the journal: the change is kept.
    bool discard();
    // At open: rolls back a change whose journal is complete; a journal cut
    // short was never acted on and is removed.
    bool recover(File& file);

private:
    struct Saved {
        std::uint64_t offset;
        std::string bytes;
    };
    bool parse(const std::string& text);

    FileSystem& files_;
    std::filesystem::path path_;
    std::uint64_t fileLength_ = 0;
    std::vector<Saved> saved_;
};

}  // namespace qinghe::store
