#pragma once

#include <array>
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
#include "store/layered_file.h"
#include "store/read_ahead.h"
#include "store/table_format.h"

namespace qinghe::store {

class ChangeLog;

// The finding of a read-only open that only reads the changes a change log
// left (finished at the next open for writing): nothing is wrong.
inline constexpr std::string_view kPendingChangesFinding =
    "interrupted changes are pending (finished when the table is next opened for writing)";
// The same, opened for writing: the changes were finished, as after any crash.
inline constexpr std::string_view kChangesFinishedFinding = "interrupted changes were finished";

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
// they are held in memory (reads see them) until the next commit, which makes
// them all at once: one record in the table's change log, flushed (see
// ChangeLog). Structural changes (purge, zap, a new password) commit at once.
// The table's own files are not written then: the logged changes stay in
// memory, where every read through this table sees them, and are written into
// the files together and flushed at a checkpoint: when the log is full, when
// asked (checkpoint) and at the close. Another open of the table meanwhile
// (read-only, or in another process) reads the log as after a crash and so
// sees every change made; whoever copies the files themselves (a backup)
// asks for a checkpoint first. A change too large for the log's area is
// written into the files at once.
//
// The work is spread over one file per job: table_file.cpp (format and open),
// table_recovery.cpp, table_chunks.cpp (chunk cache and read-ahead),
// table_changes.cpp (record changes, a new password), table_purge.cpp and
// table_commit.cpp (commit, checkpoint, discard, close).
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

    // Gives up what is held (a table whose open failed, or that nobody
    // closed) and writes the logged changes into the files, without telling
    // whether they reached them: whoever must know calls close() first.
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
    // A change failed where the disk may hold part of it: every further change
    // is refused until the table is opened again (which finishes or drops it).
    bool failed() const { return failed_; }

    // The plain bytes of record `index` (recordSize bytes), valid until the next
    // call on this table; null when they cannot be read.
    const std::uint8_t* record(std::int32_t index);
    // Writes bytes into a record at an offset within it (held until the commit).
    [[nodiscard]] bool writeInRecord(std::int32_t index, std::size_t offset,
                                     const std::uint8_t* bytes, std::size_t length);
    // A blank record at the end (held until the commit).
    [[nodiscard]] bool append();
    // Marks a record deleted (its sequence number negative; held until the commit).
    [[nodiscard]] bool markRemoved(std::int32_t index);
    // Which records are marked deleted, as a walk of every record found them:
    // a purge then need not read the table to find them.
    void learnMarks(std::vector<std::int32_t> marked);
    [[nodiscard]] bool purge();
    [[nodiscard]] bool zap();
    // Re-enciphers both files under another password (null: plain).
    [[nodiscard]] bool setPassword(std::shared_ptr<KeyStreams> keys);

    // Makes every held change, whole, and flushes it: the room it takes is
    // reserved first (a full disk refuses it), and once its change-log record
    // is flushed it is made and true, even should writing it into the files
    // fail (the table then refuses further changes until it is opened again,
    // which finishes the change). On a failure before, nothing of it is made
    // and the table reads as on disk again, or (when the disk may hold part of
    // its record) the table refuses every further change until it is opened
    // again, which finishes or drops the change.
    [[nodiscard]] bool commit();
    // Writes every logged change into the table's files and flushes them, for
    // whoever reads the files themselves; the log starts afresh. False when
    // that failed (the table then refuses changes until it is opened again).
    [[nodiscard]] bool checkpoint();
    // Whether changes are held that a commit would make.
    bool changed() const;
    // Gives up the held changes: the table reads as on disk again.
    void discard();
    // Commits what is held and writes the logged changes into the files,
    // flushed, and the log goes. False when something did not reach the files
    // (a failed table's log stays and finishes its changes at the next open).
    // The table is closed all the same: only the destructor may follow.
    [[nodiscard]] bool close();

    // Frees the deciphered chunks: for a table whose records were read into
    // memory elsewhere. Later reads decipher again.
    void releaseCache();
    // For a walk that keeps what it reads elsewhere: the chunks before the one
    // holding `offset` are freed as it goes, so it never holds the file.
    void releaseChunksBefore(std::uint64_t offset);

    // For the chunk pool: whether a chunk was used since the last look (the
    // mark is cleared), and dropping one (refused for the chunk in use).
    bool chunkReferenced(std::uint32_t chunk);
    bool dropChunk(std::uint32_t chunk);

    static std::filesystem::path logPath(const std::filesystem::path& dataFile);
    // Whether a file beside the tables is what a failed change left: a table
    // being built (".new" and its log), or an empty change log. Such files are
    // never backed up.
    static bool isLeftover(const std::filesystem::path& file, std::uint64_t size);
    // Removes what a failed change of the table at `dataFile` left beside it.
    static void removeLeftovers(FileSystem& files, const std::filesystem::path& dataFile);
    // Where a log that does not fit its table is set aside.
    static std::filesystem::path staleLogPath(const std::filesystem::path& dataFile);

  private:
    TableFile(FileSystem& files, std::filesystem::path path, std::unique_ptr<File> disk,
              std::shared_ptr<KeyStreams> keys, ChunkPool& pool, Access access);

    struct Chunk {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t valid = 0;
        bool referenced = false;
    };

    // --- format and open (table_file.cpp)
    bool readHeaderAndFields();
    bool checkLength(std::string_view asideSuffix);
    bool openCompanion(std::string_view asideSuffix);
    bool copyAside(std::string_view asideSuffix);

    // --- recovery (table_recovery.cpp)
    // Finishes the changes a log left by a crash holds, or (read-only) holds
    // them in memory; a log that does not fit the table is set aside.
    bool recoverLog();
    // The companion file, opened for writing when a change being finished
    // touches it; false when it is needed and cannot be opened.
    bool openCompanionToRecover(bool touched, std::unique_ptr<File>& companion);
    // The first bytes of the data file as on disk, for the log's guard.
    std::string diskHead();

    // --- chunk cache and read-ahead (table_chunks.cpp)
    const std::uint8_t* loadChunk(std::uint32_t chunk);
    void readAhead(std::uint32_t chunk);
    // Before bytes of the file change: the read-ahead drops what it made there.
    void changing(std::uint64_t from, std::uint64_t to);
    bool readPlain(std::uint64_t offset, std::uint8_t* out, std::size_t length);
    void updateChunks(std::uint64_t offset, const std::uint8_t* plain, std::size_t length);

    // --- record changes (table_changes.cpp)
    // Enciphers and writes; held until the next commit.
    [[nodiscard]] bool writePlain(std::uint64_t offset, const std::uint8_t* plain,
                                  std::size_t length);
    [[nodiscard]] bool writeCounts(std::int32_t recordCount, std::int32_t nextSequence);

    // --- purge (table_purge.cpp)
    // The purge's move of the records after `first` (enciphered tables): each
    // page's key stream is made once, to decipher the old bytes and to
    // encipher the new ones. The new bytes from `first`'s offset on.
    std::optional<std::string> movedTail(std::int32_t first, std::uint64_t& newLength);

    // --- commit and checkpoint (table_commit.cpp)
    bool commitLogged();
    // Takes the room a change needs in the table's files; false when the disk
    // has none.
    bool reserveRoom(const std::array<std::optional<OverlayFile::Commit>, 2>& change);
    // Puts a logged change where reads find it: in memory, or (large) written
    // into the files. False when that failed.
    bool placeLogged(const std::array<std::optional<OverlayFile::Commit>, 2>& change, bool large);
    // Writes the logged changes into the table's files, without a flush.
    bool writeOut();
    // The logged changes written into the table's files and flushed.
    bool flushFiles();
    // From now on every change is refused: the disk may hold part of one.
    bool fail();
    // The logged changes written into the files, flushed, and the log
    // removed (a failed table keeps its log); the table is closed. False
    // when they did not reach the files.
    bool closeLog();

    std::uint64_t fileLength() const {
        return recordsOffset_ +
               static_cast<std::uint64_t>(header_.recordCount) * header_.recordSize;
    }

    FileSystem& files_;
    std::filesystem::path path_;
    LayeredFile data_;
    std::shared_ptr<KeyStreams> keys_;
    ChunkPool& pool_;
    Access access_ = Access::ReadWrite;
    std::vector<std::string> findings_;
    bool failed_ = false;
    bool closed_ = false;
    bool copiedAside_ = false;
    // The records marked deleted, when known (nothing: a purge must look).
    std::optional<std::set<std::int32_t>> marks_;
    // Read-only: the changes a log left by a crash holds, applied in memory
    // to the companion file too.
    std::unique_ptr<ChangeLog> pendingLog_;
    // Read-write: the log of this session, made by the first change.
    std::unique_ptr<ChangeLog> log_;
    TableHeader header_;
    std::vector<FieldInfo> fields_;
    std::uint64_t recordsOffset_ = 0;
    // The companion file's layers (when a field needs one), and the companion
    // working on their top; it goes first.
    std::optional<LayeredFile> companionFile_;
    std::unique_ptr<CompanionFile> companion_;
    std::vector<Chunk> chunks_;
    std::vector<std::uint8_t> scratch_;
    std::uint32_t pinned_ = UINT32_MAX;
    // Started by the first walk; its worker reads the data file, so it goes
    // first.
    std::unique_ptr<ChunkReadAhead> readAhead_;
    bool readAheadFailed_ = false;
    std::uint32_t lastMiss_ = UINT32_MAX;
};

}  // namespace qinghe::store
