#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::store {

// Changes held in memory over a file below it, until their owner makes them
// all at once: reads see the changes, the file below does not. The owner
// makes them on the file below (pending, makeCommit) and then clears them.
class OverlayFile final : public File {
  public:
    // `below` outlives the overlay.
    explicit OverlayFile(File& below);
    OverlayFile(const OverlayFile&) = delete;
    OverlayFile& operator=(const OverlayFile&) = delete;

    bool readAt(std::uint64_t offset, void* data, std::size_t length) override;
    std::optional<std::size_t> readSomeAt(std::uint64_t offset, void* data,
                                          std::size_t length) override;
    // Held until the commit.
    bool writeAt(std::uint64_t offset, const void* data, std::size_t length) override;
    // The same for bytes the caller gives up: kept without a copy where they
    // touch no other held write (a purge's moved records, tens of megabytes).
    bool writeAt(std::uint64_t offset, std::string&& bytes);
    std::optional<std::uint64_t> size() override;
    bool truncate(std::uint64_t length) override;
    // Nothing on a disk: the commit reserves on the file below.
    bool reserve(std::uint64_t) override { return true; }
    // Nothing to flush: the commit flushes.
    bool sync() override { return true; }

    struct Change {
        std::uint64_t offset;
        std::string_view bytes;  // held by the overlay until it is cleared
    };
    // What a commit must do to the disk, in this order: cut the file to
    // `cutFirst` (when it was cut below its length on disk), make the writes,
    // then set the length to `length`.
    struct Commit {
        std::optional<std::uint64_t> cutFirst;
        std::vector<Change> writes;
        std::uint64_t length = 0;
    };
    bool changed() const;
    // Whether a held change or cut touches [from, to).
    bool changes(std::uint64_t from, std::uint64_t to) const;
    Commit pending() const;

    // Drops the held changes, once they reached the file below or to give
    // them up: reads go to the file below again. False when its length
    // cannot be read.
    bool clear();

  private:
    File& below_;
    std::uint64_t diskLength_ = 0;  // the file below's, as far as this process knows
    std::uint64_t length_ = 0;      // what readers see
    // Real bytes at and beyond this offset are cut (read as zeros until written).
    std::uint64_t visibleDisk_ = 0;
    std::map<std::uint64_t, std::string> writes_;  // disjoint
    bool lengthKnown_ = false;
};

// Makes one file's part of a change on the file, without flushing it.
[[nodiscard]] bool makeCommit(const OverlayFile::Commit& commit, File& file);

}  // namespace qinghe::store
