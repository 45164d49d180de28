#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ledger/ledger_figures.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::ledger {

// One row of the ledger list, texts (GBK) as shown.
struct LedgerRow {
    std::int32_t recordNumber = 0;  // 1-based registry record, how handlers find it
    std::string number;
    std::string name;
    std::string created;
    std::string entries;
    std::string latest;  // yyyy-mm-dd or "无"
    std::string income;
    std::string expense;
    std::string balance;
    // Its data file is there but cannot be read: shown with the placeholders
    // of a missing file and the name marked "（已损坏）".
    bool damaged = false;
    // Its figures are still being read: shown as "…" until they arrive.
    bool pending = false;
    // The figures shown, for the summary; nothing without a readable data file.
    std::optional<LedgerFigures> figures;
};

// The values of the four labels under the list (without their captions).
struct LedgerSummary {
    std::string count;
    std::string income;
    std::string expense;
    std::string balance;
};

// The figures of one listed ledger that are still to be read.
struct FiguresJob {
    std::size_t row = 0;
    std::filesystem::path table;
    std::string saveTo;
    std::optional<FileStamp> stamp;  // the file as it was when the list was built
};

struct LedgerList {
    std::vector<LedgerRow> rows;
    // Recomputed only when at least one listed ledger's data file exists;
    // otherwise the labels keep what they showed. Not made while figures are
    // pending.
    std::optional<LedgerSummary> summary;
    std::vector<FiguresJob> pending;
    bool anyDataFile = false;
};

// When the figures of the ledgers not in memory are read.
enum class FiguresWhen {
    Now,    // before the list is returned (the tool, tests)
    Later,  // by the caller, on another thread: the rows say pending
};

// The ledger list from the registry (created when missing). The open ledger's
// figures come from its rows in memory, the others' from the figures cache
// beside the registry when their file has not changed since, else from their
// table (read on its own, never repaired).
LedgerList rebuildLedgerList(AppState& state, FiguresWhen when = FiguresWhen::Now);

// Puts the figures read for a pending job into the list (nothing: the table
// cannot be read). When none is pending any more the summary is made, the
// cache written, and true returned.
bool arriveFigures(AppState& state, LedgerList& list, const FiguresJob& job,
                   const std::optional<LedgerFigures>& figures);

}  // namespace qinghe::ledger
