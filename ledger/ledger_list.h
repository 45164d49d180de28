#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
};

// The values of the four labels under the list (without their captions).
struct LedgerSummary {
    std::string count;
    std::string income;
    std::string expense;
    std::string balance;
};

struct LedgerList {
    std::vector<LedgerRow> rows;
    // Recomputed only when at least one listed ledger's data file exists;
    // otherwise the labels keep what they showed.
    std::optional<LedgerSummary> summary;
};

// The ledger list from the files: the registry (created when missing) and
// every ledger's entry table, which stay open.
LedgerList rebuildLedgerList(AppState& state);

}  // namespace qinghe::ledger
