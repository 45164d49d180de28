#include "app/report_actions.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

#include "app/main_window.h"
#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "entry/entry_list.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "report/export_flows.h"
#include "report/periods.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "report/ui/statistics_chart.h"
#include "report/ui/statistics_model.h"
#include "report/ui/statistics_page.h"
#include "session/app_state.h"

namespace qinghe::ui {

namespace {

double dateOf(const QDateEdit* picker) {
    const QDate date = picker->date();
    return report::dayDate(date.year(), date.month(), date.day());
}

void setDate(QDateEdit* picker, double date) {
    const CivilDate civil = civilFromDate(date);
    picker->setDate(QDate(civil.year, civil.month, civil.day));
}

void fillChoices(QComboBox* box, const std::vector<std::string>& choices) {
    box->clear();
    for (const std::string& choice : choices) box->addItem(fromGbk(choice));
    box->setCurrentIndex(0);
}

// A choice box's text; 全部 when it holds none that GBK keeps.
std::string choiceOf(const QComboBox* box) {
    return toGbk(box->currentText()).value_or(report::kAllChoice);
}

}  // namespace

ReportActions::ReportActions(MainWindow& window, AppState& state)
    : QObject(&window), window_(window), state_(state) {
    window_.onRerunQuery = [this] { rerunQuery(); };
    connectQueryPage();
    connectStatisticsPage();
    connectEntryMenu();
}

void ReportActions::connectQueryPage() {
    QueryPage* page = window_.queryPage();
    connect(page->queryButton(), &QPushButton::clicked, this, &ReportActions::runQuery);
    // Only the user's choice refills the items: the drill-down sets the box
    // and keeps the item chosen.
    connect(page->directionBox(), &QComboBox::activated, this, &ReportActions::refillItemChoices);
    for (QLabel* label : page->quickRangeLabels()) label->installEventFilter(this);
    connect(page->exportButton(), &QPushButton::clicked, this, [this] {
        const QueryResultModel* model = window_.queryPage()->resultModel();
        if (!model->rows()) return;
        static_cast<void>(  // the command has told the user how it went
            report::exportQueryCsvCommand(state_, *model->rows(), model->shownRows()));
    });
    connect(page->resultModel(), &QueryResultModel::queriedEntriesChanged, this,
            &ReportActions::rerunQuery);
}

void ReportActions::connectStatisticsPage() {
    StatisticsPage* page = window_.statisticsPage();
    connect(page->queryButton(), &QPushButton::clicked, this, &ReportActions::runStatistics);
    connect(page->clearButton(), &QPushButton::clicked, this, &ReportActions::clearStatistics);
    connect(page->exportButton(), &QPushButton::clicked, this, [this] {
        // Before any run (or after "清除") it tells that there is nothing to export.
        static_cast<void>(  // the command has told the user how it went
            report::exportStatisticsCsvCommand(state_,
                                               statistics_ ? *statistics_ : report::Statistics{}));
    });
    connect(page->resultList(), &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { drillDown(index.row()); });
}

void ReportActions::connectEntryMenu() {
    const MainWindow::EntryMenu& menu = window_.entryMenu();
    connect(menu.exportOne, &QAction::triggered, this, [this] {
        static_cast<void>(  // the command has told the user how it went
            report::exportEntryCommand(state_, selectedEntry()));
    });
    connect(menu.exportAll, &QAction::triggered, this, [this] {
        static_cast<void>(  // the command has told the user how it went
            report::exportAllCommand(state_));
    });
}

void ReportActions::refillItemChoices(int choice) {
    fillChoices(window_.queryPage()->itemBox(),
                report::itemChoices(state_.settings, QueryPage::directionAt(choice)));
}

bool ReportActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QList<QLabel*>& labels = window_.queryPage()->quickRangeLabels();
        const auto at = labels.indexOf(static_cast<QLabel*>(watched));
        if (at >= 0) {
            setPickers(report::quickRange(static_cast<report::QuickRange>(at), state_.clock.now()));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ReportActions::setPickers(const report::DateRange& dates) {
    QueryPage* page = window_.queryPage();
    setDate(page->startDateEdit(), dates.start);
    setDate(page->endDateEdit(), dates.end);
}

std::optional<report::QueryConditions> ReportActions::conditionsOfControls() {
    QueryPage* page = window_.queryPage();
    const auto note = toGbk(page->noteEdit()->text());
    if (!note) {
        showError(state_.user, texts::kUnstorableText);
        return std::nullopt;
    }
    report::QueryConditions conditions;
    conditions.startDate = dateOf(page->startDateEdit());
    conditions.endDate = dateOf(page->endDateEdit());
    conditions.direction = page->chosenDirection();
    conditions.item = choiceOf(page->itemBox());
    conditions.member = choiceOf(page->memberBox());
    conditions.note = *note;
    return conditions;
}

void ReportActions::runQuery() {
    if (const auto conditions = conditionsOfControls()) showQuery(*conditions);
}

void ReportActions::rerunQuery() {
    if (window_.queryPage()->resultModel()->showsQuery()) showQuery(lastConditions_);
}

void ReportActions::showQuery(const report::QueryConditions& conditions) {
    report::QueryResult result = report::runQuery(state_, conditions);
    lastConditions_ = conditions;
    QueryPage* page = window_.queryPage();
    page->resultModel()->setMatches(std::move(result.rows), std::move(result.matches));
    page->totalLabel()->setText(fromGbk(result.totalLabel));
}

void ReportActions::runStatistics() {
    StatisticsPage* page = window_.statisticsPage();
    const auto rows = entry::currentLedgerRows(state_);
    auto statistics = std::make_shared<report::Statistics>(
        rows ? report::runStatistics(*rows, page->unitBox()->currentIndex(),
                                     page->kindBox()->currentIndex())
             : report::Statistics{});
    putRowsInDateOrder(*statistics);
    statistics_ = statistics;
    page->resultModel()->setStatistics(statistics_);
    page->chart()->showChart(report::chartOf(*statistics_));
}

void ReportActions::clearStatistics() {
    statistics_.reset();
    StatisticsPage* page = window_.statisticsPage();
    page->resultModel()->setStatistics(nullptr);
    page->chart()->clear();
}

void ReportActions::drillDown(int row) {
    if (!statistics_ || row < 0) return;
    const auto target = report::drillDown(*statistics_, static_cast<std::size_t>(row));
    if (!target) return;
    QueryPage* page = window_.queryPage();
    setPickers(target->dates);
    page->showDirection(target->direction);
    runQuery();
    page->ledgerLabel()->setText(QStringLiteral("当前账簿：  ") +
                                 fromGbk(state_.currentLedger.name));
    window_.applyRowStripes(page->resultList());
    window_.selectPage(MainWindow::kQueryPage);
}

std::optional<std::size_t> ReportActions::selectedEntry() const {
    const EntryPage* page = window_.entryPage();
    const QModelIndexList rows = page->entryList()->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return static_cast<std::size_t>(page->entryModel()->recordNumber(rows.first().row()) - 1);
}

}  // namespace qinghe::ui
