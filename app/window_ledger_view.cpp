#include "app/window_ledger_view.h"

#include <QLabel>
#include <QTableView>

#include "app/main_window.h"
#include "common/ui/gbk_text.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "session/app_state.h"

namespace qinghe::ui {

WindowLedgerView::WindowLedgerView(MainWindow& window, AppState& state)
    : window_(window), state_(state), worker_(state.files) {}

void WindowLedgerView::showLedgerList(const ledger::LedgerList& list) {
    list_ = list;
    window_.ledgerPage()->ledgerModel()->setRows(list.rows);
    showSummary();
    // A list shown anew makes the figures still read for the one before useless.
    request_ = worker_.read(
        list_.pending, [this](std::uint64_t request, const auto& job, const auto& figures) {
            QMetaObject::invokeMethod(
                &window_, [this, request, job, figures] { figuresArrived(request, job, figures); },
                Qt::QueuedConnection);
        });
}

void WindowLedgerView::figuresArrived(std::uint64_t request, const ledger::FiguresJob& job,
                                      const std::optional<ledger::LedgerFigures>& figures) {
    if (request != request_) return;
    const bool complete = ledger::arriveFigures(state_, list_, job, figures);
    if (job.row < list_.rows.size())
        window_.ledgerPage()->ledgerModel()->updateRow(int(job.row), list_.rows[job.row]);
    if (complete) showSummary();
}

void WindowLedgerView::showSummary() {
    // Without a summary the labels keep what they showed.
    if (!list_.summary) return;
    LedgerPage* page = window_.ledgerPage();
    const ledger::LedgerSummary& summary = *list_.summary;
    page->countLabel()->setText(QStringLiteral("账簿数量：") + fromGbk(summary.count));
    page->incomeLabel()->setText(QStringLiteral("累计收入：") + fromGbk(summary.income));
    page->expenseLabel()->setText(QStringLiteral("累计支出：") + fromGbk(summary.expense));
    page->balanceLabel()->setText(QStringLiteral("当前余额：") + fromGbk(summary.balance));
}

void WindowLedgerView::showEntryList(std::shared_ptr<const LedgerRows> rows,
                                     const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->setRows(std::move(rows));
    showLabels(labels);
}

void WindowLedgerView::showLabels(const entry::EntryLabels& labels) {
    EntryPage* page = window_.entryPage();
    const struct {
        QLabel* label;
        const std::string& caption;
    } captions[] = {
        {page->ledgerLabel(), labels.ledger},
        {page->startDateLabel(), labels.startDate},
        {page->initialAmountLabel(), labels.initialAmount},
        {page->incomeLabel(), labels.income},
        {page->expenseLabel(), labels.expense},
        {page->balanceLabel(), labels.balance},
    };
    for (const auto& [label, caption] : captions) label->setText(fromGbk(caption));
}

void WindowLedgerView::showQueryList(std::shared_ptr<const LedgerRows> rows) {
    window_.queryPage()->resultModel()->setRows(std::move(rows));
}

void WindowLedgerView::entryAdded(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowAdded(row);
    // The list keeps a query's rows the same entries, and asks for it again.
    window_.queryPage()->resultModel()->rowAdded(row);
    showLabels(labels);
}

void WindowLedgerView::entryChanged(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowChanged(row);
    // The list keeps a query's rows the same entries, and asks for it again.
    window_.queryPage()->resultModel()->rowChanged(row);
    showLabels(labels);
}

void WindowLedgerView::entryRemoved(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowRemoved(row);
    // The list keeps a query's rows the same entries, and asks for it again.
    window_.queryPage()->resultModel()->rowRemoved(row);
    showLabels(labels);
}

void WindowLedgerView::showEntryPage() {
    window_.applyRowStripes(window_.entryPage()->entryList());
    window_.selectPage(MainWindow::kEntryPage);
}

}  // namespace qinghe::ui
