#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "app/data_safety_actions.h"
#include "app/idle_watcher.h"
#include "app/lock_actions.h"
#include "app/lock_page.h"
#include "common/standard_messages.h"
#include "config/ui/settings_page.h"
#include "maintenance/maintenance_texts.h"
#include "session/user_store.h"
#include "tests/app/gui_fixture.h"

// The idle lock on the main window, and the buttons of "数据安全：" wired to
// their flows.

namespace qinghe {
namespace {

using Tool = MainWindow::Tool;

class LockAndSafetyTest : public testing::GuiTest {
  protected:
    LockAndSafetyTest() {
        EXPECT_TRUE(openUserStore(state_));
        finishStartUp();
        window_->show();
        idle()->setClock([this] { return now_; });
        state_.settings.idleLock = true;
        state_.settings.idleMinutes = 1;
    }

    ui::IdleWatcher* idle() { return window_->lockActions()->idleWatcher(); }
    void wait(qint64 milliseconds) { now_ += milliseconds; }
    bool locked() const { return state_.locked; }

    void expectLockedOnTheLockPage() {
        EXPECT_TRUE(locked());
        EXPECT_EQ(window_->currentPage(), MainWindow::kLockPage);
        EXPECT_FALSE(window_->toolBar()->isEnabled());
        for (QAction* action : window_->toolBar()->actions()) {
            if (!action->isSeparator()) {
                EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
            }
        }
    }

    qint64 now_ = 1000000;
};

TEST_F(LockAndSafetyTest, TheProgramLocksAfterTheIdlePeriodAndAnyInputPostponesIt) {
    window_->toolAction(Tool::About)->trigger();
    wait(59999);
    idle()->checkNow();
    EXPECT_FALSE(locked());

    // A key pressed anywhere, or the mouse moved, starts the count again.
    QTest::keyClick(window_->settingsPage()->idleMinutesEdit(), Qt::Key_Shift);
    wait(59999);
    idle()->checkNow();
    EXPECT_FALSE(locked());
    QTest::mouseMove(window_.get(), QPoint(10, 10));
    wait(59999);
    idle()->checkNow();
    EXPECT_FALSE(locked());

    // The timer does the checking by itself.
    wait(1);
    idle()->setInterval(5);
    QTRY_VERIFY_WITH_TIMEOUT(locked(), 2000);
    expectLockedOnTheLockPage();
    EXPECT_EQ(state_.rememberedPage, MainWindow::kAboutPage);
}

TEST_F(LockAndSafetyTest, NoLockWithoutTheSwitchWithZeroMinutesOrWhileADialogIsOpen) {
    wait(24LL * 3600 * 1000);
    state_.settings.idleMinutes = 0;
    idle()->checkNow();
    EXPECT_FALSE(locked());
    state_.settings.idleMinutes = 1;
    state_.settings.idleLock = false;
    idle()->checkNow();
    EXPECT_FALSE(locked());

    // A dialog open means its handler is still running.
    state_.settings.idleLock = true;
    QDialog dialog(window_.get());
    dialog.setModal(true);
    dialog.show();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    idle()->checkNow();
    EXPECT_FALSE(locked());
    dialog.close();
    idle()->checkNow();
    EXPECT_TRUE(locked());
}

TEST_F(LockAndSafetyTest, WhileLockedNeitherToolbarNorTrayNorProgramLeaveTheLockPage) {
    window_->toolAction(Tool::Settings)->trigger();
    wait(60000);
    idle()->checkNow();
    expectLockedOnTheLockPage();

    for (Tool tool : {Tool::Ledgers, Tool::Settings, Tool::About, Tool::Exit})
        window_->toolAction(tool)->trigger();
    window_->selectPage(MainWindow::kLedgerPage);
    window_->hide();
    emit window_->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window_->isVisible());
    expectLockedOnTheLockPage();
    EXPECT_TRUE(user_.messages.empty());  // not even the exit question

    // The settings page with needpass on asks twice.
    state_.needPass = true;
    user_.passwordVisits = {{"470913"}, {"470913"}};
    window_->lockPage()->unlockButton()->click();
    EXPECT_FALSE(locked());
    EXPECT_EQ(user_.passwordRequests.size(), 2u);
    EXPECT_EQ(window_->currentPage(), MainWindow::kSettingsPage);
    EXPECT_TRUE(window_->toolBar()->isEnabled());
    EXPECT_TRUE(window_->toolAction(Tool::Ledgers)->isEnabled());
    window_->toolAction(Tool::Ledgers)->trigger();
    EXPECT_EQ(window_->currentPage(), MainWindow::kLedgerPage);
}

TEST_F(LockAndSafetyTest, AWrongPasswordKeepsTheLock) {
    wait(60000);
    idle()->checkNow();
    user_.passwordVisits = {{"wrong"}};
    window_->lockPage()->unlockButton()->click();
    expectLockedOnTheLockPage();
    // A lock already there is not started again by the idle check.
    const int remembered = state_.rememberedPage;
    wait(600000);
    idle()->checkNow();
    EXPECT_EQ(state_.rememberedPage, remembered);
}

TEST_F(LockAndSafetyTest, TheImportantOperationBoxComesBackWhenThePasswordIsRefused) {
    ui::SettingsPage* page = window_->settingsPage();
    window_->selectPage(MainWindow::kSettingsPage);
    page->needPasswordBox()->click();  // ticked: stored at once, no question
    EXPECT_TRUE(state_.needPass);
    EXPECT_TRUE(user_.passwordRequests.empty());

    user_.passwordVisits = {{}};
    page->needPasswordBox()->click();  // unticked, then the password is not given
    EXPECT_TRUE(page->needPasswordBox()->isChecked());
    EXPECT_TRUE(state_.needPass);
    EXPECT_EQ(user_.passwordRequests.size(), 1u);

    user_.passwordVisits = {{"470913"}};
    page->needPasswordBox()->click();
    EXPECT_FALSE(page->needPasswordBox()->isChecked());
    EXPECT_FALSE(state_.needPass);
}

TEST_F(LockAndSafetyTest, TheSafetyButtonsOpenTheirForms) {
    ui::SettingsPage* page = window_->settingsPage();
    page->changePasswordButton()->click();
    page->backupButton()->click();
    ASSERT_EQ(user_.formRequests.size(), 2u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::ChangeLoginPassword);
    EXPECT_EQ(user_.formRequests[1].kind, FormKind::BackupSettings);
    for (QPushButton* button : {page->changePasswordButton(), page->initialiseButton(),
                                page->backupButton(), page->restoreButton()})
        EXPECT_TRUE(button->isEnabled());

    // Nothing backed up yet in this run directory: restore says so.
    page->restoreButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, maintenance_texts::kNoBackupToRestore);
}

TEST_F(LockAndSafetyTest, APeriodicBackupRunsWhileTheProgramKeepsRunning) {
    std::filesystem::create_directories(folder_ / "data");
    std::ofstream(folder_ / "data/home.edb") << "home";
    state_.settings.backupMode = BackupMode::Periodic;
    state_.settings.backupDays = 2;
    state_.settings.lastBackup = clock_.today() - 1;
    ui::DataSafetyActions* actions = window_->dataSafetyActions();
    actions->checkPeriodicBackup();
    EXPECT_TRUE(user_.progressTexts.empty());

    // Due, but a dialog is open: its handler comes first.
    state_.settings.lastBackup = clock_.today() - 2;
    QDialog dialog(window_.get());
    dialog.setModal(true);
    dialog.show();
    QApplication::processEvents();
    actions->checkPeriodicBackup();
    EXPECT_TRUE(user_.progressTexts.empty());
    dialog.close();

    actions->checkPeriodicBackup();
    EXPECT_EQ(user_.progressTexts, std::vector<std::string>{maintenance_texts::kBackupProgress});
    EXPECT_TRUE(std::filesystem::exists(folder_ / "backup/data/home.edb"));
    EXPECT_EQ(state_.settings.lastBackup, clock_.today());
    EXPECT_EQ(systemIni("lastbackup"), "2015-05-12");
    actions->checkPeriodicBackup();
    EXPECT_EQ(user_.progressTexts.size(), 1u);
}

TEST_F(LockAndSafetyTest, InitialisingEndsTheProgramAsLeavingDoes) {
    // 每次退出时备份: the way out backs up, which shows that it ran.
    state_.settings.backupMode = BackupMode::AtExit;
    std::filesystem::create_directories(folder_ / "data");
    std::ofstream(folder_ / "data/home.edb") << "home";
    user_.answers = {MessageAnswer::Cancel};
    window_->settingsPage()->initialiseButton()->click();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "data/home.edb"));

    user_.messages.clear();
    window_->settingsPage()->initialiseButton()->click();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_FALSE(std::filesystem::exists(folder_ / "data"));
    ASSERT_EQ(user_.messages.size(), 2u);  // the warning and the end, no exit question
    EXPECT_EQ(user_.messages[1].text, maintenance_texts::kInitialiseDone);
    // The data of before is in a backup: the one made first.
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
        if (std::filesystem::exists(entry.path() / "data/home.edb")) found = true;
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace qinghe
