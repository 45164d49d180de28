#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "store/chunk_pool.h"
#include "store/companion_file.h"
#include "store/file_layer.h"
#include "store/key_streams.h"
#include "store/overlay_file.h"
#include "store/read_ahead.h"
#include "store/table_format.h"

namespace qinghe::store {

class ChangeJournal;
class ChangeLog;

// How a table is opened.
enum class Access {
    // Changes allowed. An interrupted change is finished, the bytes of an
    // unfinished append are cut off, and damage is repaired after the damaged
    // files were copied aside.
    ReadWrite,
    // Nothing is ever written: an interrupted change and repairs are made in
    // memory only, so the table reads as the program would find it.
    ReadOnly,
};

// One open table's data file (and companion file): header, fields, records.
// Records are read through deciphered chunks kept in memory.
//
// Changes are whole or absent after a crash, a torn write or a power loss:
// they are held in memory (reads see them) until the next sync, which makes
// them all at once: one record in the table's change log, flushed (see
// ChangeLog). Structural changes (purge, zap, a new password) make themselves
// at once. The table's own files are not written then: the logged changes stay
// in memory, where every read through this table sees them, and are written
// into the files together and flushed when the log is full, at flushToFiles
// and at the close. Another open of the table meanwhile (read-only, or in
// another process) reads the log as after a crash and so sees every change
// made; whoever copies the files themselves (a backup) calls flushToFiles
// first. A change too large for the log's area is written at once.
class TableFile {
  public:
    static constexpr std::size_t kChunkSize = 64u << 10;
    // Chunks read ahead of a walk, beyond the one it is on.
    static constexpr std::uint32_t kReadAheadChunks = 4;

    // Creates the data file (and an empty companion file when a field needs
    // one), plain, and flushes them. False on invalid fields or a failed write.
    [[nodiscard]] static bool create(FileSystem& files, const std::filesystem::path& path,
                                     const std::vector<FieldDescription>& fields, double created);

    // Opens and checks a table; keys is null to open a plain table.
    // `asideSuffix` names the copies of damaged files kept before a repair.
    static std::unique_ptr<TableFile> open(FileSystem& files, const std::filesystem::path& path,
                                           std::shared_ptr<KeyStreams> keys, ChunkPool& pool,
                                           Access access = Access::ReadWrite,
                                           std::string_view asideSuffix = ".damaged");

    ~TableFile();
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    const TableHeader& header() const { return header_; }
    const std::vector<FieldInfo>& fields() const { return fields_; }
    std::int32_t recordCount() const { return header_.recordCount; }
    std::uint64_t recordsOffset() const { return recordsOffset_; }
    // 0-based index of a field by name (ASCII case ignored), or -1.
    int fieldIndex(std::string_view name) const;
    CompanionFile* companion() { return companion_.get(); }
    const KeyStreams* keys() const { return keys_.get(); }
    bool readOnly() const { return access_ == Access::ReadOnly; }
    // What the open found wrong and what it did about it (empty: nothing),
    // in English, one finding each.
    const std::vector<std::string>& findings() const { return findings_; }
    // Whether the files are damaged beyond an interrupted change.
    bool damaged() const { return damaged_; }
    // A change failed where the disk may hold part of it: every further change
    // is refused until the table is opened again (which finishes or drops it).
    bool failed() const { return failed_; }

    // The plain bytes of record `index` (recordSize bytes), valid until the next
    // call on this table; null when they cannot be read.
    const std::uint8_t* record(std::int32_t index);
    // Writes bytes into a record at an offset within it (held until sync).
    [[nodiscard]] bool writeInRecord(std::int32_t index, std::size_t offset,
                                     const std::uint8_t* bytes, std::size_t length);
    // A blank record at the end (held until sync).
    [[nodiscard]] bool append();
    // Marks a record deleted (its sequence number negative; held until sync).
    [[nodiscard]] bool markRemoved(std::int32_t index);
    // Which records are marked deleted, as a walk of every record found them:
    // a purge then need not read the table to find them.
    void learnMarks(std::vector<std::int32_t> marked);
    [[nodiscard]] bool purge();
    [[nodiscard]] bool zap();
    // Re-enciphers both files under another password (empty: plain).
    [[nodiscard]] bool setPassword(std::shared_ptr<KeyStreams> keys);
    // Makes every held change, whole, and flushes it. On a failure nothing of
    // it is made and the table reads as on disk again, or (when the disk may
    // hold part of it) the table refuses every further change until it is
    // opened again, which finishes the change.
    [[nodiscard]] bool sync();
    // Writes every logged change into the table's files and flushes them, for
    // whoever reads the files themselves; the log starts afresh. False when
    // that failed (the table then refuses changes until it is opened again).
    [[nodiscard]] bool flushToFiles();
    // Whether changes are held that a sync would make.
    bool changed() const;
    // Gives up the held changes: the table reads as on disk again.
    void discard() { abandon(); }
    // Frees the deciphered chunks: for a table whose records were read into
    // memory elsewhere. Later reads decipher again.
    void releaseCache() { dropAllChunks(); }
    // For a walk that keeps what it reads elsewhere: the chunks before the one
    // holding `offset` are freed as it goes, so it never holds the file.
    void releaseChunksBefore(std::uint64_t offset);

    // For the chunk pool: whether a chunk was used since the last look (the
    // mark is cleared), and dropping one (refused for the chunk in use).
    bool chunkReferenced(std::uint32_t chunk);
    bool dropChunk(std::uint32_t chunk);

    static std::filesystem::path journalPath(const std::filesystem::path& dataFile);
    static std::filesystem::path logPath(const std::filesystem::path& dataFile);
    // Whether a file is a table's change log. It only means anything beside
    // the data file it was written with, as it is at this moment.
    static bool isLogPath(const std::filesystem::path& path);
    // Where a log that does not fit its table is set aside.
    static std::filesystem::path staleLogPath(const std::filesystem::path& dataFile);

  private:
    TableFile(FileSystem& files, std::filesystem::path path, std::unique_ptr<OverlayFile> file,
              std::shared_ptr<KeyStreams> keys, ChunkPool& pool, Access access);

    struct Chunk {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t valid = 0;
        bool referenced = false;
    };

    bool readHeaderAndFields();
    bool checkLength(std::string_view asideSuffix);
    bool recoverJournal();
    bool recoverLog();
    // The companion file, opened for writing when a change being finished
    // touches it; false when it is needed and cannot be opened.
    bool openCompanionToRecover(bool touched, std::unique_ptr<File>& companion);
    // The first bytes of the data file as on disk, for the log's guard.
    std::string diskHead();
    // A table's file in layers: the disk; the changes the log holds that are
    // not written to the disk yet; on top, the changes held until the next sync.
    static std::unique_ptr<OverlayFile> layered(std::unique_ptr<File> disk);
    static OverlayFile& logged(OverlayFile& file);
    static File& disk(OverlayFile& file);
    // After the layers below the top one changed: reads see them.
    static bool settleAll(OverlayFile& file);
    // Writes the logged changes into the table's files, without a flush.
    bool writeOut();
    // The logged changes written into the table's files and flushed.
    bool flushFiles();
    // The same, and the log starts a new epoch.
    bool checkpoint();
    // At the close: the table's files flushed and the log removed.
    void closeLog();
    bool openCompanion(std::string_view asideSuffix);
    bool copyAside(std::string_view asideSuffix);
    bool commit();
    // The purge's move of the records after `first` (enciphered tables): each
    // page's key stream is made once, to decipher the old bytes and to
    // encipher the new ones. The new bytes from `first`'s offset on.
    std::optional<std::string> movedTail(std::int32_t first, std::uint64_t& newLength);
    bool commitLogged();
    // Gives up the held changes: the table reads as on disk again.
    void abandon();
    // From now on every change is refused: the disk may hold part of one.
    bool fail();
    const std::uint8_t* loadChunk(std::uint32_t chunk);
    void readAhead(std::uint32_t chunk);
    // Before bytes of the file change: the read-ahead drops what it made there.
    void changing(std::uint64_t from, std::uint64_t to);
    bool readPlain(std::uint64_t offset, std::uint8_t* out, std::size_t length);
    // Enciphers and writes; held until the next sync.
    [[nodiscard]] bool writePlain(std::uint64_t offset, const std::uint8_t* plain,
                                  std::size_t length);
    void updateChunks(std::uint64_t offset, const std::uint8_t* plain, std::size_t length);
    void dropAllChunks();
    void cutChunks(std::uint64_t length);
    [[nodiscard]] bool writeCounts(std::int32_t recordCount, std::int32_t nextSequence);
    std::uint64_t fileLength() const {
        return recordsOffset_ +
               static_cast<std::uint64_t>(header_.recordCount) * header_.recordSize;
    }

    FileSystem& files_;
    std::filesystem::path path_;
    std::unique_ptr<OverlayFile> file_;
    std::shared_ptr<KeyStreams> keys_;
    ChunkPool& pool_;
    Access access_ = Access::ReadWrite;
    std::vector<std::string> findings_;
    bool damaged_ = false;
    bool failed_ = false;
    bool copiedAside_ = false;
    // The records marked deleted, when known (nothing: a purge must look).
    std::optional<std::set<std::int32_t>> marks_;
    // Read-only: an interrupted change, held in memory for the companion too.
    std::unique_ptr<ChangeJournal> pendingJournal_;
    std::unique_ptr<ChangeLog> pendingLog_;
    // Read-write: the log of this session, made by the first change.
    std::unique_ptr<ChangeLog> log_;
    TableHeader header_;
    std::vector<FieldInfo> fields_;
    std::uint64_t recordsOffset_ = 0;
    std::unique_ptr<CompanionFile> companion_;
    std::vector<Chunk> chunks_;
    std::vector<std::uint8_t> scratch_;
    std::uint32_t pinned_ = UINT32_MAX;
    // Started by the first walk; its worker reads file_, so it goes first.
    std::unique_ptr<ChunkReadAhead> readAhead_;
    bool readAheadFailed_ = false;
    std::uint32_t lastMiss_ = UINT32_MAX;
};

}  // namespace qinghe::store
