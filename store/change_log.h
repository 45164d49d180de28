#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_layer.h"
#include "store/overlay_file.h"

namespace qinghe::store {

// A table's write-ahead log, kept beside its data file while the table is
// open for writing. A change is made by appending one record (what it writes
// to each of the table's files, as the bytes go to disk, and their new
// lengths) and flushing the log; only then may it reach the table's files,
// without a flush of its own (TableFile keeps it in memory until a checkpoint
// or the close). A checkpoint writes and flushes the table's files and starts
// the log afresh under a new epoch; closing the table does so and removes the
// log. A table opened after a crash or a power loss replays the
// records of the current epoch, in order: every record holds whole bytes at
// their offsets, so replaying one that was already made changes nothing.
//
// The log is written zeros once when it is made and then overwritten in
// place, so that its flush has no new length to record. A record that does
// not follow (its checksum, epoch or sequence number wrong) ends the log: a
// record torn by a crash is never acted on.
class ChangeLog {
  public:
    enum FileIndex { kData = 0, kCompanion = 1, kFileCount = 2 };
    // What one change does to each of the table's files (nothing for a file
    // it leaves alone).
    using Change = std::array<std::optional<OverlayFile::Commit>, kFileCount>;

    // The header block: the epoch and the first bytes of the data file as
    // they were flushed when the epoch began.
    static constexpr std::size_t kHeaderSize = 4096;
    // How many of the data file's first bytes the header keeps: enough for
    // a table's header and fields, which tell one table from another.
    static constexpr std::size_t kGuardSize = 2048;
    // Written once when the log is made and reused; a record that does not
    // fit after the ones there starts a new epoch first.
    static constexpr std::uint64_t kArea = 1u << 20;

    ChangeLog(FileSystem& files, std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // --- writing --------------------------------------------------------

    // Makes a new log: the header with the data file's first bytes as they
    // are flushed now, the rest of the area zeros, all flushed with its name.
    [[nodiscard]] bool start(std::string_view dataHead);
    // Whether a record of `bytes` bytes does not fit behind the records there.
    bool full(std::uint64_t bytes) const;
    enum class Appended { Made, NotMade, Unknown };
    // Appends one record and flushes it. NotMade: the log holds nothing of it;
    // Unknown: it may come back at the next open.
    Appended append(const Change& change);
    // After the table's files were flushed: a new epoch, so no record before
    // it is replayed again.
    [[nodiscard]] bool restart(std::string_view dataHead);
    // After the table's files were flushed: the log goes, durably.
    [[nodiscard]] bool remove();

    static std::uint64_t recordSize(const Change& change);
    // Makes a change on the given files (null: a file it does not touch),
    // without flushing them.
    [[nodiscard]] static bool apply(const Change& change,
                                    const std::array<File*, kFileCount>& files);

    // --- reading a log left behind --------------------------------------

    enum class Found { None, Nothing, Pending };
    // None: no log; Nothing: a log without a record to replay.
    Found load();
    const std::vector<Change>& records() const { return records_; }
    // Whether the records can belong to a data file whose first bytes are
    // `dataHead` now: every byte is the one the epoch began with or one a
    // record writes there (a power loss keeps any part of the unflushed
    // writes). A log left beside another table does not fit.
    bool fits(std::string_view dataHead) const;
    // Makes every record on the given files, without flushing them.
    [[nodiscard]] bool applyAll(const std::array<File*, kFileCount>& files) const;
    // The same on an overlay, for reading a table without writing it.
    [[nodiscard]] bool applyAllTo(FileIndex file, OverlayFile& overlay) const;

  private:
    bool writeHeader(std::string_view dataHead);
    bool parseRecord(std::string_view record, Change& change) const;

    FileSystem& files_;
    std::filesystem::path path_;
    std::unique_ptr<File> file_;
    std::uint64_t epoch_ = 0;
    std::uint64_t sequence_ = 0;  // of the last record
    std::uint64_t end_ = kHeaderSize;
    std::uint64_t size_ = 0;  // the log file's length
    // Loaded: the data file's first bytes the epoch began with, and the
    // records with the bytes their changes point into.
    std::string head_;
    std::vector<Change> records_;
    std::vector<std::unique_ptr<std::string>> loaded_;
};

}  // namespace qinghe::store
