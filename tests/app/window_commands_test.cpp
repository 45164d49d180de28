#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/about_page.h"
#include "app/entry_actions.h"
#include "app/help_window.h"
#include "app/main_window_texts.h"
#include "app/shortcut_list.h"
#include "app/shortcuts_dialog.h"
#include "config/ui/settings_page.h"
#include "entry/ui/add_entry_window.h"
#include "ledger/ledger_lifecycle.h"
#include "session/user_store.h"
#include "shell/shell_texts.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

// The window's commands: the tray icon's menu, the shortcuts the list names,
// the list itself, the about page and the guide's pictures.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

class WindowCommandsTest : public testing::GuiTest {
  protected:
    WindowCommandsTest() {
        EXPECT_TRUE(openUserStore(state_));
        finishStartUp();
        window_->show();
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    void press(const QKeySequence& keys) {
        const QKeyCombination key = keys[0];
        QTest::keyClick(window_.get(), key.key(), key.keyboardModifiers());
    }
    QAction* actionWithKeys(const QKeySequence& keys) {
        for (QAction* action : window_->actions()) {
            if (action->shortcut() == keys) return action;
        }
        return nullptr;
    }
};

TEST_F(WindowCommandsTest, TheTrayMenuOffersTheWindowsCommands) {
    QMenu* menu = window_->trayIcon()->contextMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    EXPECT_EQ(texts, (QStringList{"显示主窗口", "添加条目", "锁定", "", "退出"}));

    // From the tray: the window comes back, the lock comes at once.
    window_->hide();
    window_->commands().lock->trigger();
    EXPECT_TRUE(state_.locked);
    EXPECT_FALSE(window_->isVisible());
    window_->commands().showWindow->trigger();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->currentPage(), MainWindow::kLockPage);

    // "退出" asks first; cancelled, everything stays.
    user_.answers = {MessageAnswer::Cancel};
    window_->commands().exit->trigger();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, shell::kConfirmExit);
    EXPECT_TRUE(window_->isVisible());
}

TEST_F(WindowCommandsTest, EveryShortcutOfTheListWorksFromTheKeyboard) {
    // Each of the window's own shortcuts is an action or shortcut of the window.
    for (const QKeySequence& keys :
         {ui::kAddEntryKeys, ui::kLockKeys, ui::kExitKeys, ui::kHelpKeys}) {
        bool found = actionWithKeys(keys) != nullptr;
        for (QShortcut* shortcut : window_->findChildren<QShortcut*>())
            found = found || shortcut->key() == keys;
        EXPECT_TRUE(found) << keys.toString().toStdString();
    }

    window_->setUserGuide(folder_ / "missing.html");
    press(ui::kHelpKeys);
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, ui::kNoHelpFile);

    user_.messages.clear();
    press(ui::kAddEntryKeys);  // no ledger open
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, ui::kNoLedgerOpen);

    user_.messages.clear();
    user_.answers = {MessageAnswer::Cancel};
    press(ui::kExitKeys);
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, shell::kConfirmExit);

    window_->selectPage(MainWindow::kSettingsPage);
    press(ui::kLockKeys);
    EXPECT_TRUE(state_.locked);
    EXPECT_EQ(window_->currentPage(), MainWindow::kLockPage);
    // Locked, the add command leads nowhere but the lock page.
    user_.messages.clear();
    press(ui::kAddEntryKeys);
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(window_->entryActions()->addWindow(), nullptr);
}

TEST_F(WindowCommandsTest, AddEntryOpensTheAddWindowOnAnyPageOnceALedgerIsOpen) {
    ASSERT_EQ(ledger::createLedger(state_, gbk("家庭"), ""), ledger::CreateLedgerResult::Created);
    window_->onRebuildLedgerList();
    waitForLedgerFigures();
    window_->ledgerPage()->ledgerList()->selectRow(0);
    window_->ledgerMenu().open->trigger();
    ASSERT_TRUE(state_.currentLedger.isOpen());
    window_->selectPage(MainWindow::kAboutPage);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    press(ui::kAddEntryKeys);
    ASSERT_NE(window_->entryActions()->addWindow(), nullptr);
    EXPECT_TRUE(window_->entryActions()->addWindow()->isVisible());
    window_->entryActions()->addWindow()->close();
}

TEST_F(WindowCommandsTest, TheShortcutsButtonShowsEveryShortcut) {
    window_->settingsPage()->shortcutsButton()->click();
    ui::ShortcutsDialog* dialog = window_->shortcutsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("快捷键列表"));
    const QList<ui::ShortcutLine> lines = ui::shortcutLines();
    ASSERT_EQ(dialog->table()->rowCount(), lines.size());
    QStringList keys;
    for (int row = 0; row < dialog->table()->rowCount(); ++row)
        keys << dialog->table()->item(row, 0)->text();
    for (const QKeySequence& listed :
         {ui::kHelpKeys, ui::kAddEntryKeys, ui::kLockKeys, ui::kExitKeys}) {
        EXPECT_TRUE(keys.contains(listed.toString(QKeySequence::NativeText)))
            << listed.toString().toStdString();
    }
    // Nothing of the list is cut off.
    const QTableWidget* table = dialog->table();
    for (int row = 0; row < table->rowCount(); ++row)
        EXPECT_TRUE(table->viewport()->rect().contains(table->visualItemRect(table->item(row, 2))))
            << row;
    dialog->close();
    window_->settingsPage()->shortcutsButton()->click();
    EXPECT_EQ(window_->shortcutsDialog(), dialog) << "the same window again";
}

TEST_F(WindowCommandsTest, TheAboutPageOffersNoDeadLinks) {
    for (const QLabel* label : window_->aboutPage()->findChildren<QLabel*>()) {
        EXPECT_TRUE(label->isEnabled()) << label->text().toStdString();
        EXPECT_FALSE(label->font().underline()) << label->text().toStdString();
    }
}

TEST(GuidePictures, AreScaledSmoothlyToTheScreensOwnPixels) {
    testing::application();
    QImage picture(800, 400, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        // One-pixel stripes: thinned out without smoothing they turn all black or white.
        QPainter painter(&picture);
        for (int x = 0; x < 800; x += 2) painter.fillRect(x, 0, 1, 400, Qt::black);
    }
    struct Case {
        int width;
        qreal ratio;
        QSize pixels;
    };
    for (const Case& c : {Case{600, 1, {600, 300}}, Case{600, 2, {1200, 600}},
                          Case{0, 2, {1600, 800}}, Case{400, 1.5, {600, 300}}}) {
        const QImage drawn = ui::guidePicture(picture, c.width, c.ratio);
        EXPECT_EQ(drawn.size(), c.pixels) << c.width << " " << c.ratio;
        EXPECT_EQ(drawn.devicePixelRatio(), c.ratio);
    }
    const QImage smaller = ui::guidePicture(picture, 600, 1);
    const QColor middle = smaller.pixelColor(300, 150);
    EXPECT_GT(middle.lightness(), 40);
    EXPECT_LT(middle.lightness(), 215);
}

TEST(GuidePictures, TheBrowserGivesEachPictureAtItsWidthInThePage) {
    testing::application();
    TemporaryFolder folder;
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "shot.png").string())));
    std::ofstream(folder / "index.html")
        << R"(<html><body><img src="shot.png" width="50"></body></html>)";
    ui::GuideBrowser browser;
    browser.setSource(
        QUrl::fromLocalFile(QString::fromStdString((folder / "index.html").string())));
    const QImage shown =
        browser.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("shot.png")))
            .value<QImage>();
    EXPECT_EQ(shown.width(), qRound(50 * browser.devicePixelRatioF()));
}

}  // namespace
}  // namespace qinghe
