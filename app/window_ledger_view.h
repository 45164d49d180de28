#pragma once

#include <cstdint>

#include "ledger/figures_worker.h"
#include "ledger/ledger_view.h"

namespace qinghe {
class MainWindow;
struct AppState;
}  // namespace qinghe

namespace qinghe::ui {

// The ledger flows' screens on the main window: the 账簿管理 list and its
// totals, the 记账 and 查账 lists, and the switch to the 记账 page. The ledger
// list appears at once; figures that are not known yet are read on another
// thread and shown as they arrive.
class WindowLedgerView final : public ledger::LedgerView {
  public:
    WindowLedgerView(MainWindow& window, AppState& state);

    void showLedgerList(const ledger::LedgerList& list) override;
    ledger::FiguresWhen figuresWhen() const override { return ledger::FiguresWhen::Later; }
    void showEntryList(std::shared_ptr<const LedgerRows> rows,
                       const entry::EntryLabels& labels) override;
    void showQueryList(std::shared_ptr<const LedgerRows> rows) override;
    void entryAdded(std::size_t row, const entry::EntryLabels& labels) override;
    void entryChanged(std::size_t row, const entry::EntryLabels& labels) override;
    void entryRemoved(std::size_t row, const entry::EntryLabels& labels) override;
    void showEntryPage() override;

  private:
    void showLabels(const entry::EntryLabels& labels);
    void showSummary();
    void figuresArrived(std::uint64_t request, const ledger::FiguresJob& job,
                        const std::optional<ledger::LedgerFigures>& figures);

    MainWindow& window_;
    AppState& state_;
    ledger::LedgerList list_;
    std::uint64_t request_ = 0;
    // Last: it stops before anything it reports into goes.
    ledger::FiguresWorker worker_;
};

}  // namespace qinghe::ui
