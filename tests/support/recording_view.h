#pragma once

#include <memory>
#include <optional>
#include <vector>

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
    void showEntryList(std::shared_ptr<const LedgerRows> rows,
                       const entry::EntryLabels& shownLabels) override {
        entries = std::move(rows);
        labels = shownLabels;
        ++entryListShown;
    }
    void showQueryList(std::shared_ptr<const LedgerRows> rows) override {
        queryRows = std::move(rows);
    }
    void entryAdded(std::size_t row, const entry::EntryLabels& shownLabels) override {
        changes.push_back({Change::Added, row});
        labels = shownLabels;
    }
    void entryChanged(std::size_t row, const entry::EntryLabels& shownLabels) override {
        changes.push_back({Change::Changed, row});
        labels = shownLabels;
    }
    void entryRemoved(std::size_t row, const entry::EntryLabels& shownLabels) override {
        changes.push_back({Change::Removed, row});
        labels = shownLabels;
    }

    struct Change {
        enum Kind { Added, Changed, Removed } kind;
        std::size_t row;
        friend bool operator==(const Change&, const Change&) = default;
    };

    std::optional<ledger::LedgerList> ledgers;
    int ledgerListShown = 0;
    int entryPageShown = 0;
    std::shared_ptr<const LedgerRows> entries;
    int entryListShown = 0;
    std::optional<entry::EntryLabels> labels;
    std::shared_ptr<const LedgerRows> queryRows;
    std::vector<Change> changes;
};

}  // namespace qinghe::testing
