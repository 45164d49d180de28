// Draws every page of the main window into PNG files for the documentation:
//   qinghe-screens [folder]   (default: docs/screenshots)
// Runs over a temporary run directory with a few sample rows in the lists and
// answers every question with OK, so it needs neither a display nor a login.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

#include "app/app_state.h"
#include "app/startup.h"
#include "app/ui/gbk_text.h"
#include "app/ui/main_window.h"
#include "app/ui/page_widgets.h"
#include "app/ui/pages/entry_page.h"
#include "app/ui/pages/ledger_page.h"
#include "app/ui/pages/query_page.h"
#include "common/clock.h"
#include "common/non_interactive_user.h"
#include "config/settings.h"
#include "store/file_layer.h"

namespace {

using namespace qinghe;

using QuietUser = NonInteractiveUser;

void addRows(QTableView* view, const QList<QStringList>& rows) {
    QStandardItemModel* model = ui::listModel(view);
    model->setRowCount(0);  // a refill replaces the rows
    for (const QStringList& row : rows) {
        QList<QStandardItem*> items;
        for (const QString& text : row) items.append(new QStandardItem(text));
        model->appendRow(items);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(folder);

    QTemporaryDir runFolder;
    store::PosixFileSystem files;
    FixedClock clock(42136.5);  // 2015-05-12
    QuietUser user;
    AppState state(RunDirectory(runFolder.path().toStdString()), files, clock, user);
    state.settings = loadSettings(state.run, clock);
    state.currentLedger.name = *ui::toGbk(QStringLiteral("家庭日常"));
    state.currentLedger.saveTo = "\\data\\sample.edb";

    MainWindow window(state, ui::AutostartPlaces{});
    window.setTrayAvailable(false);
    // Stand-ins for the list fills, with rows and totals that agree.
    window.onRebuildLedgerList = [&window] {
        ui::LedgerPage* page = window.ledgerPage();
        addRows(page->ledgerList(),
                {{"1", "家庭日常", "2015-01-01", "3", "2015-05-12", "8500", "1236.5", "7263.5"},
                 {"2", "装修开支", "2015-03-08", "2", "2015-04-20", "0", "12800", "-12800"},
                 {"3", "旅行基金", "2015-04-02", "1", "2015-04-02", "3000", "0", "3000"}});
        page->countLabel()->setText(QStringLiteral("账簿数量：3"));
        page->incomeLabel()->setText(QStringLiteral("累计收入：11500"));
        page->expenseLabel()->setText(QStringLiteral("累计支出：14036.5"));
        page->balanceLabel()->setText(QStringLiteral("当前余额：-2536.5"));
    };
    window.onFillEntryList = [&window] {
        ui::EntryPage* page = window.entryPage();
        addRows(page->entryList(),
                {{"2015-05-12", "支出", "餐饮", "86.5", "妈妈", "周末聚餐", "有"},
                 {"2015-05-10", "收入", "工资", "8500", "爸爸", "五月工资", "无"},
                 {"2015-05-03", "支出", "水电煤气", "1150", "爸爸", "第二季度", "无"}});
        page->ledgerLabel()->setText(QStringLiteral("当前账簿：  家庭日常"));
        page->startDateLabel()->setText(QStringLiteral("起算日期：2015-01-01"));
        page->initialAmountLabel()->setText(QStringLiteral("初始金额：0"));
        page->incomeLabel()->setText(QStringLiteral("累计收入：8500"));
        page->expenseLabel()->setText(QStringLiteral("累计支出：1236.5"));
        page->balanceLabel()->setText(QStringLiteral("当前余额：7263.5"));
    };
    StartupResult start;
    start.loggedIn = true;
    window.finishStartUp(start);

    const struct {
        int page;
        const char* name;
    } shots[] = {
        {MainWindow::kWelcomePage, "0-welcome"},       {MainWindow::kLedgerPage, "1-ledgers"},
        {MainWindow::kEntryPage, "2-entries"},         {MainWindow::kQueryPage, "3-query"},
        {MainWindow::kStatisticsPage, "4-statistics"}, {MainWindow::kSettingsPage, "5-settings"},
        {MainWindow::kAboutPage, "6-about"},           {MainWindow::kLockPage, "7-lock"},
    };
    int failures = 0;
    for (const auto& shot : shots) {
        // Through the toolbar where there is a button, so the pages look as
        // they do after a click.
        switch (shot.page) {
            case MainWindow::kLedgerPage:
                window.toolAction(MainWindow::Tool::Ledgers)->trigger();
                break;
            case MainWindow::kEntryPage:
                window.toolAction(MainWindow::Tool::Entries)->trigger();
                break;
            case MainWindow::kQueryPage:
                window.toolAction(MainWindow::Tool::Query)->trigger();
                break;
            case MainWindow::kStatisticsPage:
                window.toolAction(MainWindow::Tool::Statistics)->trigger();
                break;
            default:
                window.selectPage(shot.page);
        }
        // No blinking cursor or selected text in the pictures.
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        QApplication::processEvents();
        const QString file = folder + QLatin1Char('/') + QLatin1String(shot.name) + ".png";
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
