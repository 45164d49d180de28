#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "store/file_layer.h"

namespace qinghe {
class LedgerRows;
}

namespace qinghe::ledger {

// What the ledger list shows of one ledger's entries.
struct LedgerFigures {
    std::int32_t entries = 0;
    double latest = 0;  // the latest date; 0 when there is no entry
    double income = 0;
    double expense = 0;
    friend bool operator==(const LedgerFigures&, const LedgerFigures&) = default;
};

// Reads a ledger's entry table for its figures, on its own (a table store of
// its own, read-only), so that it can run on another thread than the program's
// table store. Nothing when the table cannot be read or lacks the fields.
std::optional<LedgerFigures> readLedgerFigures(store::FileSystem& files,
                                               const std::filesystem::path& table);

// The figures of the open ledger's rows in memory.
LedgerFigures figuresOf(const LedgerRows& rows);

// How a data file looked when its figures were read: they stay good while
// its size and modification time (to the nanosecond) are the same.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// Nothing when the file cannot be looked at, or when a change log beside it
// holds changes that the file may not show yet.
std::optional<FileStamp> stampOf(const std::filesystem::path& file);

// The ledgers' figures of the last listing, kept in the data folder's cache
// folder (outside it) so that the list appears without reading every ledger
// again. Used for nothing but these figures: a stale or missing entry is read
// anew, a damaged file is ignored (and written anew).
class FiguresCache {
  public:
    static std::filesystem::path fileIn(const std::filesystem::path& cacheFolder);

    // What the file holds (nothing at all when it is missing or damaged).
    static FiguresCache load(const std::filesystem::path& file);

    // The figures of a data file, when they were read while it had the same stamp.
    std::optional<LedgerFigures> find(const std::string& saveTo, const FileStamp& stamp) const;
    // Keeps figures read while the file had `stamp`; `now` (seconds since
    // 1970) leaves out stamps too recent to tell a later change apart.
    void put(const std::string& saveTo, const FileStamp& stamp, const LedgerFigures& figures,
             std::int64_t nowNs);
    // Keeps only the given data files' entries.
    void keepOnly(const std::map<std::string, bool>& saveTos);
    bool changed() const { return changed_; }
    // Written whole (beside it, flushed, renamed). False when it could not be.
    [[nodiscard]] bool save(const std::filesystem::path& file);

  private:
    struct Entry {
        FileStamp stamp;
        LedgerFigures figures;
    };
    std::map<std::string, Entry> entries_;  // by stored path (GBK)
    bool changed_ = false;
};

}  // namespace qinghe::ledger
