#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"
#include "store/key_streams.h"

namespace qinghe::store {

struct CompanionHeader {
    std::uint32_t version = 0;
    double created = 0;
    std::int32_t blockCount = 1;
    std::int32_t freeCount = 0;
    std::int32_t freeStart = 0;
};

// The companion file of a table: byte-set and long-text values in chains of
// 512-byte blocks, with a chain of free blocks.
class CompanionFile {
  public:
    // The companion file's name: the data file's with the extension "EDT".
    static std::filesystem::path pathFor(const std::filesystem::path& dataFile);
    // The existing companion file, whatever the case of its extension.
    static std::optional<std::filesystem::path> find(FileSystem& files,
                                                     const std::filesystem::path& dataFile);
    // Writes a plain companion file holding only its header block.
    [[nodiscard]] static bool create(FileSystem& files, const std::filesystem::path& path,
                                     double created);

    // Reads and checks the header of an opened file, which outlives the
    // companion (the table's top layer: what is written here is made by the
    // table's commit); keys is null for a plain table. A block count beyond
    // the file's end is cut to the blocks there are (a change for the table
    // to make) and `cut` is set. Nothing when the file is unusable.
    static std::unique_ptr<CompanionFile> open(File& file, std::uint32_t expectedVersion,
                                               KeyStreams* keys, bool* cut = nullptr);

    const CompanionHeader& header() const { return header_; }
    // After the table's changes were given up: the header as in the file again.
    bool reload();

    // The value whose chain starts at `first` (0 = empty). A damaged chain (a
    // cycle, a block number outside the file, a bad length) gives nothing.
    std::optional<std::string> readValue(std::int32_t first);
    // Writes a value into a new chain (free blocks first, then new ones) and
    // frees the old chain: the old value stays whole on disk until the change
    // is made. Returns the new first block (0 for an empty value).
    [[nodiscard]] std::optional<std::int32_t> writeValue(std::int32_t oldFirst,
                                                         std::string_view value);
    // Frees the chains starting at the given blocks.
    [[nodiscard]] bool release(const std::vector<std::int32_t>& firsts);
    // Back to the header block alone.
    [[nodiscard]] bool reset();

    // The block numbers along a chain; nothing when it is damaged.
    std::optional<std::vector<std::int32_t>> chain(std::int32_t first);
    struct Block {
        std::int32_t previous = 0;
        std::int32_t next = 0;
        std::int32_t used = 0;
    };
    std::optional<Block> readBlockHeader(std::int32_t block);

    // The companion file is a stream enciphered like the data file; exposed for
    // re-enciphering under another password.
    void setKeys(KeyStreams* keys) { keys_ = keys; }

  private:
    CompanionFile(File& file, KeyStreams* keys, CompanionHeader header);
    static std::optional<CompanionHeader> readHeader(File& file, KeyStreams* keys);

    bool readBlock(std::int32_t block, std::uint8_t* out);
    [[nodiscard]] bool writeBlock(std::int32_t block, const Block& links,
                                  const std::uint8_t* payload);
    [[nodiscard]] bool writeBytes(std::uint64_t offset, const std::uint8_t* plain,
                                  std::size_t length);
    [[nodiscard]] bool writeHeader();
    bool loadFreeList();
    void trimTrailingFree();

    File& file_;
    KeyStreams* keys_;
    CompanionHeader header_;
    // The free chain in chain order, read once and then kept in step with the
    // file (this process is the only writer).
    std::optional<std::vector<std::int32_t>> freeList_;
};

}  // namespace qinghe::store
