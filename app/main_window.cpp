#include "app/main_window.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/about_page.h"
#include "app/data_safety_actions.h"
#include "app/entry_actions.h"
#include "app/help_window.h"
#include "app/ledger_actions.h"
#include "app/lock_actions.h"
#include "app/lock_page.h"
#include "app/main_window_texts.h"
#include "app/report_actions.h"
#include "app/shortcut_list.h"
#include "app/shortcuts_dialog.h"
#include "app/user_guide.h"
#include "app/welcome_page.h"
#include "common/run_directory.h"
#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "config/settings.h"
#include "config/settings_actions.h"
#include "config/ui/settings_page.h"
#include "entry/ui/entry_page.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/statistics_page.h"
#include "session/app_state.h"
#include "shell/startup.h"

namespace qinghe {
namespace {

const QString kProductTitle = QStringLiteral("青禾 家庭流水记账软件 2015");
const QPoint kDefaultPlace(50, 50);
const QSize kDefaultSize(800, 613);
// What the pages leave free of a window of the default size.
constexpr int kToolBarHeight = 60;
constexpr int kPagesRightMargin = 800 - 795;
constexpr int kPagesBottomMargin = 613 - 67 - 509;

// Paints each row's background by its place in the list before the cell
// itself, so the stripes follow sorting, insertion and deletion; a selected
// row keeps its highlight.
class RowStripeDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        static const QColor kEvenRow(203, 216, 203);
        painter->fillRect(option.rect, index.row() % 2 == 0 ? kEvenRow : QColor(Qt::white));
        // Whole rows are selected: no frame around the single current cell.
        QStyleOptionViewItem cell = option;
        cell.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, cell, index);
    }
};

QString ledgerCaption(const AppState& state) {
    return QStringLiteral("当前账簿：  ") + ui::fromGbk(state.currentLedger.name);
}

}  // namespace

MainWindow::MainWindow(AppState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), trayAvailable_(&QSystemTrayIcon::isSystemTrayAvailable) {
    setWindowTitle(kProductTitle);
    setWindowIcon(ui::programIcon("welcome"));
    // The pages were drawn for 12-pixel text; a desktop with larger text
    // keeps it, and the pages grow with it (AnchoredLayout).
    QFont text = font();
    text.setPixelSize(std::max(12, QFontInfo(text).pixelSize()));
    setFont(text);
    // Group box captions sit on the frame line, so controls placed near the
    // top of a box stay clear of it.
    setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #bcbcbc; border-radius: 3px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"));
    // As drawn: the toolbar, a divider at 60 (7 high) and the pages at
    // (0, 67), 795×509, in a window of 800×613, its default place and size.
    // A larger window gives the pages the room.
    auto* body = new QWidget(this);
    setCentralWidget(body);
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    toolBar_ = new QToolBar(body);
    buildToolBar();
    const int toolBarHeight = std::max(kToolBarHeight, toolBar_->sizeHint().height());
    toolBar_->setFixedHeight(toolBarHeight);
    column->addWidget(toolBar_);
    auto* divider = new QFrame(body);
    divider->setFixedHeight(7);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    column->addWidget(divider);

    pages_ = new QStackedWidget(body);
    auto* pageRow = new QHBoxLayout;
    // A toolbar taller than drawn (larger text) takes from the room left
    // under the pages first, so the pages keep their drawn size.
    pageRow->setContentsMargins(0, 0, kPagesRightMargin,
                                std::max(0, kPagesBottomMargin - (toolBarHeight - kToolBarHeight)));
    pageRow->addWidget(pages_);
    column->addLayout(pageRow, 1);
    welcomePage_ = new ui::WelcomePage;
    ledgerPage_ = new ui::LedgerPage;
    entryPage_ = new ui::EntryPage;
    queryPage_ = new ui::QueryPage;
    statisticsPage_ = new ui::StatisticsPage;
    settingsPage_ = new ui::SettingsPage(state_);
    aboutPage_ = new ui::AboutPage;
    lockPage_ = new ui::LockPage;
    for (QWidget* page :
         std::initializer_list<QWidget*>{welcomePage_, ledgerPage_, entryPage_, queryPage_,
                                         statisticsPage_, settingsPage_, aboutPage_, lockPage_}) {
        pages_->addWidget(page);
    }

    stripes_ = new RowStripeDelegate(this);
    buildMenus();
    connectWelcomePage();
    connectAboutPage();
    userGuide_ = ui::findUserGuide(executableDirectory());
    // F1 anywhere in the window.
    auto* help = new QShortcut(ui::kHelpKeys, this);
    connect(help, &QShortcut::activated, this, &MainWindow::showHelp);
    connect(settingsPage_, &ui::SettingsPage::cancelled, this,
            [this] { selectPage(kWelcomePage); });
    connect(settingsPage_->shortcutsButton(), &QPushButton::clicked, this,
            &MainWindow::showShortcuts);

    trayIcon_ = new QSystemTrayIcon(ui::programIcon("tray"), this);
    trayIcon_->setToolTip(kProductTitle);
    buildCommands();
    connect(trayIcon_, &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);

    ledgerActions_ = new ui::LedgerActions(*this, state_);
    lockActions_ = new ui::LockActions(*this, state_);
    dataSafetyActions_ = new ui::DataSafetyActions(*this, state_);
    entryActions_ = new ui::EntryActions(*this, state_, ledgerActions_->view());
    reportActions_ = new ui::ReportActions(*this, state_);
    // After an entry opened from the 查账 list was saved, that list is made
    // again by the query as its controls stand, as "查询" does.
    entryActions_->screens().runQuery = [this] { reportActions_->runQuery(); };
    setGeometry(QRect(kDefaultPlace, kDefaultSize));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolBar() {
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(32, 32));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const struct {
        const char* icon;
        QString text;
        void (MainWindow::*handler)();
        bool separatorAfter;
    } tools[] = {
        {"ledger", QStringLiteral("账簿管理"), &MainWindow::showLedgers, true},
        {"entry", QStringLiteral("记账"), &MainWindow::showEntries, false},
        {"query", QStringLiteral("查账"), &MainWindow::showQuery, false},
        {"statistics", QStringLiteral("数据统计"), &MainWindow::showStatistics, true},
        {"settings", QStringLiteral("系统设置"), nullptr, true},
        {"about", QStringLiteral("关于软件"), nullptr, true},
        {"exit", QStringLiteral("退出"), &MainWindow::exitProgram, false},
    };
    for (const auto& tool : tools) {
        QAction* action = toolBar_->addAction(ui::programIcon(tool.icon), tool.text);
        toolActions_.append(action);
        if (tool.separatorAfter) toolBar_->addSeparator();
    }
    for (int i = 0; i < int(std::size(tools)); ++i) {
        if (tools[i].handler != nullptr)
            connect(toolActions_[i], &QAction::triggered, this, tools[i].handler);
    }
    connect(toolAction(Tool::Settings), &QAction::triggered, this,
            [this] { showPage(kSettingsPage); });
    connect(toolAction(Tool::About), &QAction::triggered, this, [this] { showPage(kAboutPage); });
}

void MainWindow::buildMenus() {
    QMenu* ledger = new QMenu(QStringLiteral("账簿管理快捷菜单"), this);
    ledgerMenu_.menu = ledger;
    ledgerMenu_.open = ledger->addAction(QStringLiteral("打开"));
    ledger->addSeparator();
    ledgerMenu_.modify = ledger->addAction(QStringLiteral("修改..."));
    ledger->addSeparator();
    ledgerMenu_.remove = ledger->addAction(QStringLiteral("删除！"));

    QMenu* entry = new QMenu(QStringLiteral("账目管理快捷菜单"), this);
    entryMenu_.menu = entry;
    entryMenu_.view = entry->addAction(QStringLiteral("查看..."));
    entryMenu_.exportOne = entry->addAction(QStringLiteral("导出"));
    entryMenu_.exportAll = entry->addAction(QStringLiteral("全部导出"));
    entry->addSeparator();
    entryMenu_.modify = entry->addAction(QStringLiteral("修改..."));
    entry->addSeparator();
    entryMenu_.remove = entry->addAction(QStringLiteral("删除！"));
    entry->addSeparator();
    entryMenu_.importBill = entry->addAction(QStringLiteral("导入账单..."));
}

void MainWindow::buildCommands() {
    commands_.showWindow = new QAction(QStringLiteral("显示主窗口"), this);
    commands_.addEntry = new QAction(ui::programIcon("new"), QStringLiteral("添加条目"), this);
    commands_.addEntry->setShortcut(ui::kAddEntryKeys);
    commands_.lock = new QAction(QStringLiteral("锁定"), this);
    commands_.lock->setShortcut(ui::kLockKeys);
    commands_.exit = new QAction(ui::programIcon("exit"), QStringLiteral("退出"), this);
    commands_.exit->setShortcut(ui::kExitKeys);
    // Actions of the window itself, so that their shortcuts work on every
    // page; the lock leaves them on (they act as the lock allows).
    for (QAction* action : {commands_.addEntry, commands_.lock, commands_.exit}) addAction(action);
    connect(commands_.showWindow, &QAction::triggered, this, &MainWindow::showFromTray);
    connect(commands_.exit, &QAction::triggered, this, [this] {
        // From the tray the window may be hidden: it ends the same way.
        if (confirmExit(state_.user)) closeWithoutQuestion();
    });
    auto* menu = new QMenu(this);
    menu->addAction(commands_.showWindow);
    menu->addAction(commands_.addEntry);
    menu->addAction(commands_.lock);
    menu->addSeparator();
    menu->addAction(commands_.exit);
    trayIcon_->setContextMenu(menu);
}

void MainWindow::showShortcuts() {
    if (shortcutsDialog_ == nullptr) shortcutsDialog_ = new ui::ShortcutsDialog(this);
    shortcutsDialog_->show();
    shortcutsDialog_->raise();
    shortcutsDialog_->activateWindow();
}

void MainWindow::connectWelcomePage() {
    connect(welcomePage_->helpButton(), &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(welcomePage_->settingsButton(), &QPushButton::clicked, this,
            [this] { selectPage(kSettingsPage); });
    connect(welcomePage_->startButton(), &QPushButton::clicked, this,
            [this] { selectPage(kLedgerPage); });
    connect(welcomePage_->hideWelcomeBox(), &QCheckBox::toggled, this, [this](bool ticked) {
        changeSettingSwitch(settingsPage_->context(), SettingSwitch::HideWelcome, ticked);
    });
}

void MainWindow::connectAboutPage() {
    const QString folder = QString::fromStdString(state_.run.root().string());
    aboutPage_->showDataFolder(folder);
    connect(aboutPage_->openDataFolderButton(), &QPushButton::clicked, this, [this, folder] {
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) return;
        std::string text = ui::kDataFolderNotOpened;
        if (const auto name = ui::toGbk(folder)) text += *name;
        showError(state_.user, std::move(text));
    });
}

void MainWindow::showHelp() {
    std::error_code error;
    if (userGuide_.empty() || !std::filesystem::is_regular_file(userGuide_, error)) {
        state_.user.showMessage(
            {ui::kNoHelpFile, ui::kNoHelpFileTitle, MessageIcon::Information, MessageButtons::Ok});
        return;
    }
    if (helpWindow_ == nullptr) helpWindow_ = new ui::HelpWindow(userGuide_, this);
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

QAction* MainWindow::toolAction(Tool tool) const {
    return toolActions_[int(tool)];
}

void MainWindow::finishStartUp(const StartupResult& result) {
    if (onRebuildLedgerList) onRebuildLedgerList();
    applyRowStripes(ledgerPage_->ledgerList());
    showStoredSettings();
    if (onRefreshFilterChoices) onRefreshFilterChoices();
    selectPage(result.startPage);
    restorePlace();
    if (result.showWindow) {
        if (state_.settings.windowMaximized) {
            showMaximized();
        } else {
            show();
        }
    } else if (!trayAvailable()) {
        // Nowhere to live but the task bar.
        showMinimized();
    }
    trayIcon_->show();
    if (state_.settings.visualGuidance) attachListTips();
}

void MainWindow::restorePlace() {
    const WindowPlace place = windowPlace(state_.settings);
    const QRect stored(place.x, place.y, place.width, place.height);
    const QSize least = minimumSizeHint().expandedTo(minimumSize());
    // A screen that is gone, or a size no page fits in, gives the default.
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(stored);
    if (!onScreen || stored.width() < least.width() || stored.height() < least.height()) {
        setGeometry(QRect(kDefaultPlace, kDefaultSize.expandedTo(least)));
    } else {
        setGeometry(stored);
    }
    if (place.maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::rememberPlace() {
    // A maximised or minimised window is remembered at its normal place.
    const bool maximized = windowState() & Qt::WindowMaximized;
    const QRect normal =
        windowState() & (Qt::WindowMaximized | Qt::WindowMinimized) ? normalGeometry() : geometry();
    const QRect place = normal.isValid() ? normal : geometry();
    static_cast<void>(  // nothing to tell as the program ends: the default serves next time
        setWindowPlace(state_.run, state_.settings,
                       {place.x(), place.y(), place.width(), place.height(), maximized}));
}

void MainWindow::showStoredSettings() {
    {
        QSignalBlocker quiet(welcomePage_->hideWelcomeBox());
        welcomePage_->hideWelcomeBox()->setChecked(!state_.settings.startupGuide);
    }
    settingsPage_->showStoredSettings();
}

void MainWindow::attachListTips() {
    ledgerPage_->ledgerList()->setToolTip(QStringLiteral(
        "双击一个账簿可以打开并查看其中的详细账目信息！\n右键单击可以弹出快捷菜单！"));
    entryPage_->entryList()->setToolTip(QStringLiteral(
        "双击一个项目可以打开并查看其中的详细账目信息！\n右键单击可以弹出快捷菜单！"));
    queryPage_->resultList()->setToolTip(
        QStringLiteral("双击一个项目可以打开并查看其中的详细账目信息！"));
}

void MainWindow::selectPage(int page) {
    // Nothing leads past the lock but its own button.
    if (state_.locked && page != kLockPage) return;
    if (page >= 0 && page < pages_->count()) pages_->setCurrentIndex(page);
}

void MainWindow::setToolbarEnabled(bool enabled) {
    // The actions themselves, so that no shortcut or trigger gets past either.
    for (QAction* action : toolActions_) action->setEnabled(enabled);
    toolBar_->setEnabled(enabled);
}

int MainWindow::currentPage() const {
    return pages_->currentIndex();
}

void MainWindow::applyRowStripes(QAbstractItemView* view) {
    if (view == nullptr) return;
    view->setItemDelegate(stripes_);
    view->viewport()->update();
}

bool MainWindow::ledgerOpenOrTell() {
    if (state_.currentLedger.isOpen()) return true;
    showError(state_.user, ui::kNoLedgerOpen);
    return false;
}

void MainWindow::showLedgers() {
    if (currentPage() == kLedgerPage) return;
    applyRowStripes(ledgerPage_->ledgerList());
    if (onRebuildLedgerList) onRebuildLedgerList();
    selectPage(kLedgerPage);
}

void MainWindow::showEntries() {
    if (currentPage() == kEntryPage || !ledgerOpenOrTell()) return;
    applyRowStripes(entryPage_->entryList());
    if (onFillEntryList) onFillEntryList();
    selectPage(kEntryPage);
}

void MainWindow::showQuery() {
    if (currentPage() == kQueryPage || !ledgerOpenOrTell()) return;
    applyRowStripes(queryPage_->resultList());
    if (onFillQueryList) onFillQueryList();
    queryPage_->ledgerLabel()->setText(ledgerCaption(state_));
    selectPage(kQueryPage);
}

void MainWindow::showStatistics() {
    if (currentPage() == kStatisticsPage || !ledgerOpenOrTell()) return;
    applyRowStripes(statisticsPage_->resultList());
    statisticsPage_->ledgerLabel()->setText(ledgerCaption(state_));
    selectPage(kStatisticsPage);
}

void MainWindow::showPage(int page) {
    if (currentPage() != page) selectPage(page);
}

void MainWindow::exitProgram() {
    if (!confirmExit(state_.user)) return;
    exitConfirmed_ = true;
    close();
}

void MainWindow::closeWithoutQuestion() {
    // A dialog open at the time has its own loop: it is closed first.
    while (QWidget* dialog = QApplication::activeModalWidget()) {
        if (!dialog->close()) break;
    }
    exitConfirmed_ = true;
    close();
    if (!shutDown_) {
        // A hidden window takes no close event: the end goes the same way.
        shutDown_ = true;
        trayIcon_->hide();
        rememberPlace();
        shutDown(state_);
        QApplication::quit();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!exitConfirmed_ && !confirmExit(state_.user)) {
        event->ignore();
        return;
    }
    exitConfirmed_ = true;
    event->accept();
    if (shutDown_) return;
    shutDown_ = true;
    trayIcon_->hide();
    rememberPlace();
    shutDown(state_);
    QApplication::quit();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
    // Hidden once the window system has finished minimising; it then lives
    // in the tray only. Without a tray it stays minimised on the task bar.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isMinimized() && trayAvailable()) hide();
        },
        Qt::QueuedConnection);
}

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) showFromTray();
}

bool MainWindow::trayAvailable() const {
    return trayAvailable_ && trayAvailable_();
}

void MainWindow::showFromTray() {
    // Back as it was before it went to the tray: maximised stays maximised.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

}  // namespace qinghe
