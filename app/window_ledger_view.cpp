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

namespace qinghe::ui {

void WindowLedgerView::showLedgerList(const ledger::LedgerList& list) {
    LedgerPage* page = window_.ledgerPage();
    page->ledgerModel()->setRows(list.rows);
    // Without a summary the labels keep what they showed.
    if (!list.summary) return;
    page->countLabel()->setText(QStringLiteral("账簿数量：") + fromGbk(list.summary->count));
    page->incomeLabel()->setText(QStringLiteral("累计收入：") + fromGbk(list.summary->income));
    page->expenseLabel()->setText(QStringLiteral("累计支出：") + fromGbk(list.summary->expense));
    page->balanceLabel()->setText(QStringLiteral("当前余额：") + fromGbk(list.summary->balance));
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
    queryShowsAll_ = rows;
    window_.queryPage()->resultModel()->setRows(std::move(rows));
}

void WindowLedgerView::entryAdded(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowAdded(row);
    if (queryShowsAll_) window_.queryPage()->resultModel()->rowAdded(row);
    showLabels(labels);
}

void WindowLedgerView::entryChanged(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowChanged(row);
    if (queryShowsAll_) window_.queryPage()->resultModel()->rowChanged(row);
    showLabels(labels);
}

void WindowLedgerView::entryRemoved(std::size_t row, const entry::EntryLabels& labels) {
    window_.entryPage()->entryModel()->rowRemoved(row);
    if (queryShowsAll_) window_.queryPage()->resultModel()->rowRemoved(row);
    showLabels(labels);
}

void WindowLedgerView::showEntryPage() {
    window_.applyRowStripes(window_.entryPage()->entryList());
    window_.selectPage(MainWindow::kEntryPage);
}

}  // namespace qinghe::ui
