#pragma once

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <filesystem>
#include <functional>

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
class DataSafetyActions;
class EntryActions;
class EntryPage;
class HelpWindow;
class LedgerActions;
class ShortcutsDialog;
class LedgerPage;
class LockActions;
class LockPage;
class QueryPage;
class ReportActions;
class SettingsPage;
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

    explicit MainWindow(AppState& state, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The end of start-up, after the login: fills the pages, chooses the first
    // page, shows the window (or leaves it to the tray) and attaches the tips.
    void finishStartUp(const StartupResult& result);

    // Brings the window back from the tray (or the task bar) in normal state.
    void showFromTray();

    // While the program is locked only the lock page can be selected.
    void selectPage(int page);
    int currentPage() const;
    // The toolbar's items, all at once (the lock disables them).
    void setToolbarEnabled(bool enabled);
    // Ends the program as the toolbar's "退出" does after its question (tables
    // closed, the exit backup), hidden in the tray or not: after a restore or
    // an initialisation, which asked their own, and at the end of the desktop
    // session.
    void closeWithoutQuestion();

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
    // Runs the query the 查账 list shows again; nothing happens while the
    // list shows every entry.
    std::function<void()> onRerunQuery;

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
    ui::LockActions* lockActions() const { return lockActions_; }
    ui::DataSafetyActions* dataSafetyActions() const { return dataSafetyActions_; }
    ui::EntryActions* entryActions() const { return entryActions_; }
    ui::ReportActions* reportActions() const { return reportActions_; }
    // "账簿管理快捷菜单" and "账目管理快捷菜单", shown by the lists' owners,
    // with their items; features connect to the items themselves.
    struct LedgerMenu {
        QMenu* menu = nullptr;
        QAction* open = nullptr;    // "打开"
        QAction* modify = nullptr;  // "修改..."
        QAction* remove = nullptr;  // "删除！"
    };
    struct EntryMenu {
        QMenu* menu = nullptr;
        QAction* view = nullptr;        // "查看..."
        QAction* exportOne = nullptr;   // "导出"
        QAction* exportAll = nullptr;   // "全部导出"
        QAction* modify = nullptr;      // "修改..."
        QAction* remove = nullptr;      // "删除！"
        QAction* importBill = nullptr;  // "导入账单..."
    };
    // The window's commands, in the tray icon's menu in this order; the
    // features connect to addEntry and lock. Each works by its shortcut too
    // (shortcut_list.h) while the window is active.
    struct Commands {
        QAction* showWindow = nullptr;  // "显示主窗口"
        QAction* addEntry = nullptr;    // "添加条目"
        QAction* lock = nullptr;        // "锁定"
        QAction* exit = nullptr;        // "退出", after its question
    };
    const Commands& commands() const { return commands_; }
    const LedgerMenu& ledgerMenu() const { return ledgerMenu_; }
    const EntryMenu& entryMenu() const { return entryMenu_; }
    QSystemTrayIcon* trayIcon() const { return trayIcon_; }

    // Without a tray on the desktop a hidden window could not be brought back,
    // so the window then stays on the task bar instead. The desktop is asked
    // each time the window would hide (a tray can go away while the program
    // runs); tests answer for it.
    void setTrayAvailability(std::function<bool()> available) {
        trayAvailable_ = std::move(available);
    }

    // The user guide that "查看帮助文件，了解如何使用！" and F1 show (found
    // beside the program when the window is made); empty: none, and the
    // button says so.
    void setUserGuide(std::filesystem::path guide) { userGuide_ = std::move(guide); }
    // Shows the guide's window (made once, brought forward after), or the
    // message that there is none.
    void showHelp();
    ui::HelpWindow* helpWindow() const { return helpWindow_; }
    // "查看快捷键列表...": the list in a window of its own (made once).
    void showShortcuts();
    ui::ShortcutsDialog* shortcutsDialog() const { return shortcutsDialog_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildToolBar();
    void buildMenus();
    void buildCommands();
    void connectWelcomePage();
    void connectAboutPage();
    void showStoredSettings();
    // The place and size the window was left at, when it still fits a screen
    // (else the default); remembered in the settings as the program ends.
    void restorePlace();
    void rememberPlace();
    void attachListTips();

    bool ledgerOpenOrTell();
    void showLedgers();
    void showEntries();
    void showQuery();
    void showStatistics();
    void showPage(int page);
    void exitProgram();
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    bool trayAvailable() const;

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
    LedgerMenu ledgerMenu_;
    EntryMenu entryMenu_;
    Commands commands_;
    QSystemTrayIcon* trayIcon_ = nullptr;
    QStyledItemDelegate* stripes_ = nullptr;
    ui::LedgerActions* ledgerActions_ = nullptr;
    ui::LockActions* lockActions_ = nullptr;
    ui::DataSafetyActions* dataSafetyActions_ = nullptr;
    ui::EntryActions* entryActions_ = nullptr;
    ui::ReportActions* reportActions_ = nullptr;
    QList<QAction*> toolActions_;
    std::function<bool()> trayAvailable_;
    std::filesystem::path userGuide_;
    ui::HelpWindow* helpWindow_ = nullptr;
    ui::ShortcutsDialog* shortcutsDialog_ = nullptr;
    bool exitConfirmed_ = false;  // 退出 has asked already
    bool shutDown_ = false;
};

}  // namespace qinghe
