#pragma once

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <functional>

#include "app/ui/pages/settings_page.h"

class QAbstractItemView;
class QMenu;
class QStackedWidget;
class QStyledItemDelegate;
class QToolBar;

namespace qinghe {

struct AppState;
struct StartupResult;

namespace ui {
class AboutPage;
class EntryPage;
class LedgerActions;
class LedgerPage;
class LockPage;
class QueryPage;
class StatisticsPage;
class WelcomePage;
}  // namespace ui

// The program's only top-level window: a toolbar over eight pages that only
// the program switches, and a tray icon that holds the window while it is
// hidden.
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    enum Page {
        kWelcomePage = 0,
        kLedgerPage = 1,
        kEntryPage = 2,
        kQueryPage = 3,
        kStatisticsPage = 4,
        kSettingsPage = 5,
        kAboutPage = 6,
        kLockPage = 7,
    };
    enum class Tool { Ledgers, Entries, Query, Statistics, Settings, About, Exit };

    explicit MainWindow(AppState& state,
                        ui::AutostartPlaces autostart = ui::AutostartPlaces::ofThisProgram(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The end of start-up, after the login: fills the pages, chooses the first
    // page, shows the window (or leaves it to the tray) and attaches the tips.
    void finishStartUp(const StartupResult& result);

    // Brings the window back from the tray (or the task bar) in normal state.
    void showFromTray();

    void selectPage(int page);
    int currentPage() const;

    // Rows 0, 2, 4, ... RGB(203, 216, 203), rows 1, 3, 5, ... white, counted
    // on screen, so the stripes stay in place whatever the rows are.
    void applyRowStripes(QAbstractItemView* view);

    // The list refills of the features that own them, set when the window is
    // built; each runs where the toolbar or start-up needs it. Empty: nothing
    // to refill.
    std::function<void()> onRebuildLedgerList;
    std::function<void()> onFillEntryList;
    std::function<void()> onFillQueryList;
    std::function<void()> onRefreshFilterChoices;

    QToolBar* toolBar() const { return toolBar_; }
    QAction* toolAction(Tool tool) const;
    ui::WelcomePage* welcomePage() const { return welcomePage_; }
    ui::LedgerPage* ledgerPage() const { return ledgerPage_; }
    ui::EntryPage* entryPage() const { return entryPage_; }
    ui::QueryPage* queryPage() const { return queryPage_; }
    ui::StatisticsPage* statisticsPage() const { return statisticsPage_; }
    ui::SettingsPage* settingsPage() const { return settingsPage_; }
    ui::AboutPage* aboutPage() const { return aboutPage_; }
    ui::LockPage* lockPage() const { return lockPage_; }
    // "账簿管理快捷菜单" and "账目管理快捷菜单", shown by the lists' owners.
    QMenu* ledgerMenu() const { return ledgerMenu_; }
    QMenu* entryMenu() const { return entryMenu_; }
    QSystemTrayIcon* trayIcon() const { return trayIcon_; }

    // Without a tray on the desktop a hidden window could not be brought back,
    // so the window then stays on the task bar instead. Asked of the desktop
    // at construction.
    void setTrayAvailable(bool available) { trayAvailable_ = available; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildToolBar();
    void buildMenus();
    void connectWelcomePage();
    void showStoredSettings();
    void attachListTips();

    bool ledgerOpenOrTell();
    void showLedgers();
    void showEntries();
    void showQuery();
    void showStatistics();
    void showPage(int page);
    void exitProgram();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    AppState& state_;
    QToolBar* toolBar_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    ui::WelcomePage* welcomePage_ = nullptr;
    ui::LedgerPage* ledgerPage_ = nullptr;
    ui::EntryPage* entryPage_ = nullptr;
    ui::QueryPage* queryPage_ = nullptr;
    ui::StatisticsPage* statisticsPage_ = nullptr;
    ui::SettingsPage* settingsPage_ = nullptr;
    ui::AboutPage* aboutPage_ = nullptr;
    ui::LockPage* lockPage_ = nullptr;
    QMenu* ledgerMenu_ = nullptr;
    QMenu* entryMenu_ = nullptr;
    QSystemTrayIcon* trayIcon_ = nullptr;
    QStyledItemDelegate* stripes_ = nullptr;
    ui::LedgerActions* ledgerActions_ = nullptr;
    QList<QAction*> toolActions_;
    bool trayAvailable_ = false;
    bool exitConfirmed_ = false;  // 退出 has asked already
    bool shutDown_ = false;
};

}  // namespace qinghe
