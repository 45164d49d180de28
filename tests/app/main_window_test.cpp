#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <csignal>
#include <filesystem>

#include "app/main_window_texts.h"
#include "app/termination_signals.h"
#include "app/welcome_page.h"
#include "common/gbk.h"
#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "config/ui/settings_page.h"
#include "entry/ui/entry_page.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/statistics_page.h"
#include "shell/shell_texts.h"
#include "shell/startup.h"
#include "tests/app/gui_fixture.h"

namespace qinghe {
namespace {

using Tool = MainWindow::Tool;

const std::string kLedgerName = gbkText("家庭");

// The captions of a toolbar or menu, separators as "|".
QString captions(const QList<QAction*>& actions) {
    QStringList parts;
    for (const QAction* action : actions)
        parts << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return parts.join(QLatin1Char(' '));
}

using MainWindowTest = testing::GuiTest;

TEST_F(MainWindowTest, HasTheToolbarPagesMenusAndIconsOfTheProgram) {
    MainWindow& window = *window_;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("青禾 家庭流水记账软件 2015"));
    EXPECT_EQ(window.size(), QSize(800, 613));
    EXPECT_EQ(captions(window.toolBar()->actions()),
              QStringLiteral("账簿管理 | 记账 查账 数据统计 | 系统设置 | 关于软件 | 退出"));
    EXPECT_EQ(captions(window.ledgerMenu().menu->actions()),
              QStringLiteral("打开 | 修改... | 删除！"));
    EXPECT_EQ(captions(window.entryMenu().menu->actions()),
              QStringLiteral("查看... 导出 全部导出 | 修改... | 删除！ | 导入账单..."));
    EXPECT_EQ(window.currentPage(), MainWindow::kWelcomePage);

    // Every picture comes from the compiled-in icons: a missing one would
    // leave an empty square.
    for (QAction* action : window.toolBar()->actions()) {
        if (action->isSeparator()) continue;
        EXPECT_FALSE(action->icon().pixmap(32, 32).isNull()) << action->text().toStdString();
    }
    EXPECT_FALSE(window.trayIcon()->icon().pixmap(16, 16).isNull());
    EXPECT_EQ(window.trayIcon()->toolTip(), QStringLiteral("青禾 家庭流水记账软件 2015"));
    for (const char* name : {"clear", "delete", "new", "modify", "lock", "welcome"})
        EXPECT_FALSE(ui::programIcon(name).pixmap(64, 64).isNull()) << name;
}

TEST_F(MainWindowTest, LedgerPagesAreRefusedWhileNoLedgerIsOpen) {
    int refills = 0;
    window_->onFillEntryList = [&] { ++refills; };
    window_->onFillQueryList = [&] { ++refills; };
    for (Tool tool : {Tool::Entries, Tool::Query, Tool::Statistics}) {
        user_.messages.clear();
        window_->toolAction(tool)->trigger();
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].text, ui::kNoLedgerOpen);
        EXPECT_EQ(user_.messages[0].title, shell::kErrorTitle);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(user_.messages[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(window_->currentPage(), MainWindow::kWelcomePage);
    }
    EXPECT_EQ(refills, 0);
}

TEST_F(MainWindowTest, ToolbarRefillsOnlyWhenItChangesThePage) {
    openLedger(kLedgerName);
    int ledgerRefills = 0, entryRefills = 0, queryRefills = 0;
    window_->onRebuildLedgerList = [&] { ++ledgerRefills; };
    window_->onFillEntryList = [&] { ++entryRefills; };
    window_->onFillQueryList = [&] { ++queryRefills; };

    const struct {
        Tool tool;
        int page;
        int* refills;
    } cases[] = {
        {Tool::Ledgers, MainWindow::kLedgerPage, &ledgerRefills},
        {Tool::Entries, MainWindow::kEntryPage, &entryRefills},
        {Tool::Query, MainWindow::kQueryPage, &queryRefills},
        {Tool::Statistics, MainWindow::kStatisticsPage, nullptr},
        {Tool::Settings, MainWindow::kSettingsPage, nullptr},
        {Tool::About, MainWindow::kAboutPage, nullptr},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.page);
        window_->toolAction(step.tool)->trigger();
        window_->toolAction(step.tool)->trigger();  // the same page again: nothing
        EXPECT_EQ(window_->currentPage(), step.page);
        if (step.refills != nullptr) {
            EXPECT_EQ(*step.refills, 1);
        }
    }
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(window_->queryPage()->ledgerLabel()->text(), QStringLiteral("当前账簿：  家庭"));
    EXPECT_EQ(window_->statisticsPage()->ledgerLabel()->text(), QStringLiteral("当前账簿：  家庭"));

    // Back to a page refills it again.
    window_->toolAction(Tool::Entries)->trigger();
    EXPECT_EQ(entryRefills, 2);
}

TEST_F(MainWindowTest, StripesColourRowsByTheirPlaceOnScreen) {
    QTableView* list = window_->ledgerPage()->ledgerList();
    ui::LedgerListModel* model = window_->ledgerPage()->ledgerModel();
    auto showNames = [&](std::initializer_list<const char*> names) {
        std::vector<ledger::LedgerRow> rows;
        for (const char* name : names) rows.push_back({.name = name});
        model->setRows(std::move(rows));
    };
    showNames({"b", "d", "a", "c"});
    window_->applyRowStripes(list);
    window_->selectPage(MainWindow::kLedgerPage);
    window_->show();

    // The colour painted in an empty cell of each row.
    auto rowColour = [&](int row) {
        const QImage image = list->viewport()->grab().toImage();
        return image.pixelColor(list->visualRect(model->index(row, 6)).center()).rgb();
    };
    const QRgb green = qRgb(203, 216, 203), white = qRgb(255, 255, 255);
    EXPECT_EQ(rowColour(0), green);
    EXPECT_EQ(rowColour(1), white);
    EXPECT_EQ(rowColour(2), green);

    // Refilled in another order, the rows move but the stripes stay where
    // they were.
    showNames({"a", "b", "c", "d"});
    ASSERT_EQ(model->index(0, 1).data().toString(), QStringLiteral("a"));
    EXPECT_EQ(rowColour(0), green);
    EXPECT_EQ(rowColour(1), white);
}

TEST_F(MainWindowTest, MinimisingHidesTheWindowInTheTray) {
    window_->setTrayAvailability([] { return true; });
    window_->show();
    window_->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(window_->isVisible());

    emit window_->trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window_->isVisible());
    emit window_->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isMinimized());
}

TEST_F(MainWindowTest, WithoutATrayMinimisingKeepsTheWindowReachable) {
    window_->setTrayAvailability([] { return false; });
    window_->show();
    window_->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, ATrayThatGoesAwayLeavesTheWindowOnTheTaskBar) {
    bool tray = true;
    window_->setTrayAvailability([&] { return tray; });
    window_->show();
    tray = false;  // the tray program ended while this one ran
    window_->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(MainWindowTest, LeavingAsksOnceAndCancelKeepsEverything) {
    // 每次退出时备份 backs up on the way out, which shows that shutDown ran.
    state_.settings.backupMode = BackupMode::AtExit;
    const auto backup = folder_ / "backup";
    window_->show();

    for (bool byToolbar : {true, false}) {
        SCOPED_TRACE(byToolbar ? "退出" : "close");
        user_.messages.clear();
        user_.answers = {MessageAnswer::Cancel};
        if (byToolbar)
            window_->toolAction(Tool::Exit)->trigger();
        else
            EXPECT_FALSE(window_->close());
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].text, shell::kConfirmExit);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Question);
        EXPECT_TRUE(window_->isVisible());
        EXPECT_FALSE(std::filesystem::exists(backup));
    }

    // OK on 退出 closes without a second question.
    user_.messages.clear();
    window_->toolAction(Tool::Exit)->trigger();
    EXPECT_EQ(user_.messages.size(), 1u);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(std::filesystem::exists(backup));
}

TEST_F(MainWindowTest, WelcomePageButtonsLeadOn) {
    ui::WelcomePage* welcome = window_->welcomePage();
    // Without its guide the button says there is none.
    window_->setUserGuide(folder_ / "guide" / "index.html");
    welcome->helpButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, ui::kNoHelpFile);
    EXPECT_EQ(user_.messages[0].title, ui::kNoHelpFileTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(window_->currentPage(), MainWindow::kWelcomePage);

    welcome->settingsButton()->click();
    EXPECT_EQ(window_->currentPage(), MainWindow::kSettingsPage);
    window_->selectPage(MainWindow::kWelcomePage);
    welcome->startButton()->click();
    EXPECT_EQ(window_->currentPage(), MainWindow::kLedgerPage);
}

TEST_F(MainWindowTest, FinishingStartUpChoosesPageVisibilityAndTips) {
    const QString ledgerTip = QStringLiteral(
        "双击一个账簿可以打开并查看其中的详细账目信息！\n右键单击可以弹出快捷菜单！");
    const struct {
        int startPage;
        bool showWindow;
        bool visualGuidance;
    } cases[] = {{0, true, true}, {1, false, false}};
    for (const auto& start : cases) {
        SCOPED_TRACE(start.startPage);
        testing::ScriptedUser user;
        AppState state(RunDirectory(folder_.path()), files_, clock_, user);
        state.settings = loadSettings(state.run, clock_);
        state.settings.visualGuidance = start.visualGuidance;
        MainWindow window(state);
        window.setTrayAvailability([] { return true; });
        int ledgerRefills = 0;
        window.onRebuildLedgerList = [&] { ++ledgerRefills; };

        StartupResult result;
        result.loggedIn = true;
        result.startPage = start.startPage;
        result.showWindow = start.showWindow;
        window.finishStartUp(result);

        EXPECT_EQ(window.currentPage(), start.startPage);
        EXPECT_EQ(window.isVisible(), start.showWindow);
        EXPECT_EQ(ledgerRefills, 1);
        EXPECT_EQ(window.ledgerPage()->ledgerList()->toolTip(),
                  start.visualGuidance ? ledgerTip : QString());
        EXPECT_EQ(window.entryPage()->entryList()->toolTip().isEmpty(), !start.visualGuidance);
        EXPECT_EQ(window.queryPage()->resultList()->toolTip(),
                  start.visualGuidance
                      ? QStringLiteral("双击一个项目可以打开并查看其中的详细账目信息！")
                      : QString());
        EXPECT_TRUE(user.messages.empty());
    }
}

TEST_F(MainWindowTest, StartUpShowsTheStoredSettingsWithoutWritingThem) {
    // Values in memory that differ from the file: showing them must not write.
    state_.settings.startupGuide = false;
    state_.settings.idleLock = true;
    state_.settings.idleMinutes = 7;
    state_.settings.startWithComputer = true;
    state_.needPass = true;
    finishStartUp();

    ui::SettingsPage* settings = window_->settingsPage();
    EXPECT_TRUE(window_->welcomePage()->hideWelcomeBox()->isChecked());
    EXPECT_TRUE(settings->visualGuidanceBox()->isChecked());
    EXPECT_TRUE(settings->startWithComputerBox()->isChecked());
    EXPECT_FALSE(settings->startInBackgroundBox()->isChecked());
    EXPECT_TRUE(settings->idleLockBox()->isChecked());
    EXPECT_TRUE(settings->needPasswordBox()->isChecked());
    EXPECT_EQ(settings->idleMinutesEdit()->text(), QStringLiteral("7"));

    EXPECT_EQ(systemIni("qsy"), "1");
    EXPECT_EQ(systemIni("kxzdsd"), "0");
    EXPECT_EQ(systemIni("sdjg"), "0");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "autostart"));
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

TEST(TerminationSignalsTest, EachSignalRunsTheHandlerOnTheWindowThread) {
    testing::application();
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        int calls = 0;
        {
            ui::TerminationSignals termination([&] { ++calls; });
            ASSERT_EQ(::raise(signal), 0);
            for (int i = 0; i < 100 && calls == 0; ++i) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            }
        }
        EXPECT_EQ(calls, 1);
    }
}

TEST_F(MainWindowTest, EndingWithoutAskingClosesEverythingAndMakesTheExitBackup) {
    state_.settings.backupMode = BackupMode::AtExit;
    window_->show();
    window_->closeWithoutQuestion();
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "backup"));
    EXPECT_FALSE(state_.tables.hasCurrentTable());
}

}  // namespace
}  // namespace qinghe
