#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "entry/ledger_rows.h"
#include "store/file_layer.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::import {

// The numbers of the transactions imported into one ledger, in a file beside
// its entry table ("家庭.edb" keeps them in "家庭.imported"): the table's
// format stays as it is, and a backup, which copies every file of the data
// folder, keeps them with it.
//
// An import is one change of the table, and the numbers must never disagree
// with it. So the numbers go down first, as a pending batch that names the
// change it belongs to: the table's row count before it, the count of rows it
// appends and a digest of their stored values. Then the table's change is
// made; then the batch is written as imported. A kill or a power loss between
// the steps leaves the batch pending, and the next open of the ledger settles
// it before anything else can change the table: the batch is kept when the
// table holds its rows, dropped when it does not. A row is thus never added
// twice on a retry, and the numbers of a change that was made are never lost.
// Every write replaces the file whole (written beside it, flushed, renamed).
struct PendingBatch {
    std::size_t rowsBefore = 0;
    std::size_t rowCount = 0;
    std::string digest;  // of the appended rows' stored values
    std::vector<std::string> keys;
    friend bool operator==(const PendingBatch&, const PendingBatch&) = default;
};

struct ImportedNumbers {
    std::unordered_set<std::string> keys;
    std::optional<PendingBatch> pending;

    bool contains(std::string_view key) const { return keys.count(std::string(key)) != 0; }
};

// The file beside a ledger's data file.
std::filesystem::path importedNumbersPath(const std::filesystem::path& table);

enum class NumbersRead { Read, Missing, Damaged };
// Reads the file; a missing one is empty. Damaged: it is not what this
// program writes (its checksum does not match), and nothing is trusted.
NumbersRead readImportedNumbers(store::FileSystem& files, const std::filesystem::path& path,
                                ImportedNumbers& numbers);
// Replaces the file whole: its bytes flushed, then renamed over the old one,
// and (Now) the folder flushed so that the new name lasts at once. Later: the
// old file may come back after a power loss, for a write that only turns a
// batch the table already holds into numbers imported.
enum class FolderFlush { Now, Later };
[[nodiscard]] bool writeImportedNumbers(store::FileSystem& files, const std::filesystem::path& path,
                                        const ImportedNumbers& numbers,
                                        FolderFlush folderFlush = FolderFlush::Now);

// The digest of rows as the table stores them, which a pending batch names.
std::string rowsDigest(const std::vector<EntryValues>& rows);
std::string rowsDigest(const LedgerRows& rows, std::size_t first, std::size_t count);

// Settles a pending batch against the open ledger's rows (read just now from
// its table): imported when the rows it names are there, else dropped; the
// file is rewritten unless the store only reads. The numbers as settled, or
// nothing when the file is damaged or could not be rewritten.
std::optional<ImportedNumbers> settleImportedNumbers(AppState& state,
                                                     const std::filesystem::path& table,
                                                     NumbersRead* how = nullptr);

}  // namespace qinghe::import
