#pragma once

#include "ledger/ledger_view.h"

namespace qinghe {
class MainWindow;
}

namespace qinghe::ui {

// The ledger flows' screens on the main window: the 账簿管理 list and its
// totals, the 记账 and 查账 lists, and the switch to the 记账 page.
class WindowLedgerView final : public ledger::LedgerView {
  public:
    explicit WindowLedgerView(MainWindow& window) : window_(window) {}

    void showLedgerList(const ledger::LedgerList& list) override;
    void showEntryList(std::shared_ptr<const LedgerRows> rows,
                       const entry::EntryLabels& labels) override;
    void showQueryList(std::shared_ptr<const LedgerRows> rows) override;
    void entryAdded(std::size_t row, const entry::EntryLabels& labels) override;
    void entryChanged(std::size_t row, const entry::EntryLabels& labels) override;
    void entryRemoved(std::size_t row, const entry::EntryLabels& labels) override;
    void showEntryPage() override;

  private:
    void showLabels(const entry::EntryLabels& labels);

    MainWindow& window_;
    // The query list shows every entry of these rows (null: other rows).
    std::shared_ptr<const LedgerRows> queryShowsAll_;
};

}  // namespace qinghe::ui
