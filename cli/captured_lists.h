#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "entry/entry_list.h"
#include "ledger/ledger_view.h"

namespace qinghe::cli {

// The screens of the ledger flows without a window: keeps what the 记账 list
// was last shown, so that a command can print it.
class CapturedLists final : public ledger::LedgerView {
  public:
    void showEntryList(std::shared_ptr<const LedgerRows> rows,
                       const entry::EntryLabels& labels) override {
        entryRows = std::move(rows);
        entryLabels = labels;
    }
    void showQueryList(std::shared_ptr<const LedgerRows>) override {}
    void entryAdded(std::size_t, const entry::EntryLabels& labels) override {
        entryLabels = labels;
    }
    void entryChanged(std::size_t, const entry::EntryLabels& labels) override {
        entryLabels = labels;
    }
    void entryRemoved(std::size_t, const entry::EntryLabels& labels) override {
        entryLabels = labels;
    }
    void showLedgerList(const ledger::LedgerList&) override {}
    void showEntryPage() override {}

    std::shared_ptr<const LedgerRows> entryRows;
    std::optional<entry::EntryLabels> entryLabels;
};

}  // namespace qinghe::cli
