#pragma once

#include <memory>
#include <optional>

#include "ledger/ledger_view.h"

namespace qinghe::testing {

// Keeps what the flows last showed, in place of the main window's pages.
class RecordingView : public ledger::LedgerView {
  public:
    void showLedgerList(const ledger::LedgerList& list) override {
        ledgers = list;
        ++ledgerListShown;
    }
    void showEntryPage() override { ++entryPageShown; }
    void showEntryList(std::shared_ptr<const entry::EntryRows> rows,
                       const entry::EntryLabels& shownLabels) override {
        entries = std::move(rows);
        labels = shownLabels;
    }
    void showQueryList(std::shared_ptr<const entry::EntryRows> rows) override {
        queryRows = std::move(rows);
    }

    std::optional<ledger::LedgerList> ledgers;
    int ledgerListShown = 0;
    int entryPageShown = 0;
    std::shared_ptr<const entry::EntryRows> entries;
    std::optional<entry::EntryLabels> labels;
    std::shared_ptr<const entry::EntryRows> queryRows;
};

}  // namespace qinghe::testing
