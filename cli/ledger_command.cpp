#include "cli/ledger_command.h"

#include <iostream>

#include "common/gbk.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "session/app_state.h"

namespace qinghe::cli {

std::optional<std::string> ledgerPasswordInGbk(const std::optional<std::string>& utf8,
                                               bool& wrong) {
    if (!utf8) return std::nullopt;
    auto gbk = utf8ToGbk(*utf8);
    if (!gbk) {
        std::cerr << "the ledger password cannot be written in GBK\n";
        wrong = true;
    }
    return gbk;
}

bool openLedgerOrTell(AppState& state, std::int32_t recordNumber, CapturedLists& view) {
    // A missing registry is not made here: it holds no ledger.
    std::int32_t records = 0;
    if (state.files.exists(ledger::registryFile(state))) {
        if (!ledger::ensureRegistryOpen(state)) {
            std::cerr << "the ledger registry cannot be opened (damaged?)\n";
            return false;
        }
        records = state.tables.recordCount();
    }
    if (recordNumber < 1 || recordNumber > records) {
        std::cerr << "there is no ledger at registry record " << recordNumber
                  << " (the registry holds " << records << ")\n";
        return false;
    }
    switch (ledger::openLedger(state, recordNumber, view)) {
        case ledger::OpenLedgerResult::Cancelled:
            std::cerr << "the ledger was not opened: its access password was not given or is "
                         "wrong (--ledger-password)\n";
            return false;
        case ledger::OpenLedgerResult::MissingFile:
            return false;  // the core has said so
        case ledger::OpenLedgerResult::Opened:
            break;
    }
    return true;
}

}  // namespace qinghe::cli
