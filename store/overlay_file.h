#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"

namespace qinghe::store {

// A file whose changes are held in memory until their owner commits them all
// at once: reads see the changes, the disk does not. The owner writes the
// changes through a journal (or, where no reader of the file on disk can reach
// them, straight through) and then clears them.
class OverlayFile final : public File {
  public:
    explicit OverlayFile(std::unique_ptr<File> real);

    // The file on disk, for the owner's commit and for reading ahead.
    File& real() { return *real_; }

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
    // Nothing to flush: the commit flushes.
    bool sync() override { return true; }

    // Writes to the disk at once, for bytes that the file on disk does not
    // count yet (past its last counted record, in a free block). The next
    // commit flushes them first.
    [[nodiscard]] bool writeThrough(std::uint64_t offset, const void* data, std::size_t length);

    struct Change {
        std::uint64_t offset;
        std::string_view bytes;  // held by the overlay until it settles
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
    // Nothing written through since the last commit or flush.
    bool flushed() const { return !unflushed_; }
    // Whether a held change or cut touches [from, to).
    bool changes(std::uint64_t from, std::uint64_t to) const;
    // Held writes all inside [from, to), and no change of length.
    bool changesOnlyWithin(std::uint64_t from, std::uint64_t to) const;
    Commit pending() const;

    // The held changes reached the disk (or were given up): reads go to the
    // disk again. False when the length on disk cannot be read.
    bool settle();
    // Flushes what was written through; false when the flush failed.
    [[nodiscard]] bool flushWritten();

  private:
    std::unique_ptr<File> real_;
    std::uint64_t diskLength_ = 0;  // as far as this process knows
    std::uint64_t length_ = 0;      // what readers see
    // Real bytes at and beyond this offset are cut (read as zeros until written).
    std::uint64_t visibleDisk_ = 0;
    std::map<std::uint64_t, std::string> writes_;  // disjoint
    bool unflushed_ = false;
    bool lengthKnown_ = false;
};

}  // namespace qinghe::store
