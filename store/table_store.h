#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/chunk_pool.h"
#include "store/file_layer.h"
#include "store/key_streams.h"
#include "store/table_file.h"
#include "store/table_format.h"
#include "store/value.h"

namespace qinghe {
class Clock;
}

namespace qinghe::store {

// The table manager: the open tables, the current one, and a cursor per table.
// All record operations act on the current table. Failures are reported by the
// result only: the store never shows a message or ends the program.
//
// Byte-range locks between processes are left out: only one instance of the
// program runs per run directory, so no other process writes these files.
class TableStore {
  public:
    TableStore(FileSystem& files, const Clock& clock,
               std::size_t cacheBudget = ChunkPool::kDefaultBudget);
    ~TableStore();
    TableStore(const TableStore&) = delete;
    TableStore& operator=(const TableStore&) = delete;

    // ".EDB" appended to a file name without extension; made absolute.
    static std::filesystem::path fullPath(const std::filesystem::path& path);

    [[nodiscard]] bool create(const std::filesystem::path& path,
                              const std::vector<FieldDescription>& fields);
    // Makes a whole new table at once: built and filled under a temporary
    // name, enciphered under `password`, flushed, and only then given its
    // name, so that a crash leaves the old state or the finished table. `fill`
    // (optional) runs with the new table current and says whether it worked.
    // The table is not left open.
    [[nodiscard]] bool createTable(const std::filesystem::path& path,
                                   const std::vector<FieldDescription>& fields,
                                   std::string_view password,
                                   const std::function<bool(TableStore&)>& fill = {});
    // A table opened ReadOnly is never written: an interrupted change or a
    // repair is seen in memory only, and every change is refused. A table
    // opened to be written has damage repaired after the damaged files were
    // copied aside (their names end in ".damaged-" and the date and time).
    [[nodiscard]] bool open(const std::filesystem::path& path, std::string_view alias,
                            std::string_view password, Access access = Access::ReadWrite);
    bool isOpen(const std::filesystem::path& path) const;
    // Makes the table at `path` open to be written and current: opened when
    // it is not, opened again when it was opened ReadOnly.
    [[nodiscard]] bool openForWriting(const std::filesystem::path& path, std::string_view alias,
                                      std::string_view password);
    bool select(std::string_view name);
    // Closing makes the changes a table holds and writes them into its files.
    // False when something did not reach the files (the table is closed all
    // the same; its change log, when it holds changes, finishes them at the
    // next open). Closing a table that is not open is true.
    [[nodiscard]] bool close();
    [[nodiscard]] bool close(std::string_view name);
    [[nodiscard]] bool closeAll();
    [[nodiscard]] bool setPassword(std::string_view password);

    std::int32_t recordCount() const;
    std::int32_t recordNumber() const;
    void first();
    bool skip(std::int32_t n = 1);
    bool goTo(std::int32_t n);

    // A field of the record under the cursor; nothing without a current table
    // or when the table has no such field (hasCurrentTable tells which).
    [[nodiscard]] std::optional<Value> read(std::string_view field);
    [[nodiscard]] std::optional<Value> read(int fieldNumber);
    // 1-based number of a field of the current table, 0 when there is none:
    // walks that read many records look their fields up once.
    int fieldNumber(std::string_view field) const;
    [[nodiscard]] bool write(std::string_view field, const Value& value);
    [[nodiscard]] bool write(int fieldNumber, const Value& value);
    [[nodiscard]] bool append();
    [[nodiscard]] bool remove();
    [[nodiscard]] bool purge();
    [[nodiscard]] bool zap();

    // Makes the current table's held changes whole and flushes them: the end
    // of every change a user makes. Writes, appends and removals are held
    // until then (reads see them); a crash before leaves none of them.
    [[nodiscard]] bool commit();
    // Writes the changes of every open table that its log holds into the
    // table's files and flushes them, for whoever copies the files themselves
    // (a backup): until a table is closed they are in memory and in its log.
    // False when a table could not (it refuses changes until it is opened
    // again; its log still holds them).
    [[nodiscard]] bool checkpoint();
    // Gives up the current table's held changes.
    void discard();
    // Whether the current table's last change failed in a way that may have
    // reached the disk in part: what the disk holds is known only once the
    // table is opened again.
    bool currentUncertain() const { return current_ && current_->file->failed(); }
    // Whether the last read of a byte-set or long-text field met a damaged
    // chain (and so gave an empty value).
    bool lastReadDamaged() const { return lastReadDamaged_; }

    // Told, after a table was opened, what the open found wrong and what it
    // did about it (TableFile::findings; never called when it found nothing).
    using FindingsListener =
        std::function<void(const std::filesystem::path& table,
                           const std::vector<std::string>& findings, Access access)>;
    void setFindingsListener(FindingsListener listener) { findingsListener_ = std::move(listener); }

    // A store that only reads: every table is opened ReadOnly and nothing is
    // created (for tools that must leave the files as they are).
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool readOnly() const { return readOnly_; }

    bool hasCurrentTable() const { return current_ != nullptr; }
    // The current table's file, for inspection tools; null without one.
    TableFile* currentFile() const;
    // The sequence number of the record under the cursor: negative when it is
    // marked deleted, 0 without one.
    std::int32_t currentSequence();

    const ChunkPool& cache() const { return pool_; }

  private:
    struct OpenTable {
        std::unique_ptr<TableFile> file;
        std::filesystem::path fullPath;
        std::string baseName;
        std::string alias;
        std::int32_t cursor = 0;
    };

    OpenTable* find(std::string_view name) const;
    bool closeTable(OpenTable* table);
    std::shared_ptr<KeyStreams> keysFor(std::string_view password);
    const std::uint8_t* currentRecord() const;
    Value readField(const FieldInfo& field, const std::uint8_t* record);
    bool writeField(const FieldInfo& field, const Value& value);
    // Ends the names of damaged files copied aside: the date and time now.
    std::string asideSuffix() const;

    FileSystem& files_;
    const Clock& clock_;
    ChunkPool pool_;
    std::map<std::string, std::shared_ptr<KeyStreams>> keys_;
    std::vector<std::unique_ptr<OpenTable>> tables_;  // in the order they were opened
    OpenTable* current_ = nullptr;
    bool lastReadDamaged_ = false;
    bool readOnly_ = false;
    FindingsListener findingsListener_;
};

}  // namespace qinghe::store
