#include "app/entry_actions.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "app/lock_page.h"
#include "app/main_window.h"
#include "app/main_window_texts.h"
#include "common/ui/gbk_text.h"
#include "config/name_lists.h"
#include "config/ui/settings_page.h"
#include "entry/entry_removal.h"
#include "entry/ui/add_entry_window.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "import/bill_import.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "session/app_state.h"

namespace qinghe::ui {

namespace {

// Replaces a drop-down's choices and selects the first.
void showChoices(QComboBox* box, const std::vector<std::string>& choices) {
    box->clear();
    for (const std::string& choice : choices) box->addItem(fromGbk(choice));
    box->setCurrentIndex(0);
}

// Selects a list's row and brings it into view.
void selectListRow(QTableView* list, int row) {
    if (row < 0 || row >= list->model()->rowCount()) return;
    list->selectRow(row);
    list->scrollTo(list->model()->index(row, 0));
}

}  // namespace

WindowEntryScreens::WindowEntryScreens(MainWindow& window, entry::EntryListView& lists)
    : EntryScreens(lists), window_(window) {}

void WindowEntryScreens::showFilterChoices(const FilterChoices& choices) {
    QueryPage* page = window_.queryPage();
    showChoices(page->memberBox(), choices.members);
    showChoices(page->itemBox(), choices.items);
}

void WindowEntryScreens::selectEntryRow(std::size_t row) {
    const EntryPage* page = window_.entryPage();
    const int at = page->entryModel()->listRow(row);
    if (at >= 0) selectListRow(page->entryList(), at);
}

void WindowEntryScreens::selectQueryRow(std::size_t row) {
    // The 查账 list may show some entries only, and either list may be sorted.
    const QueryPage* page = window_.queryPage();
    const int at = page->resultModel()->listRow(row);
    if (at >= 0) selectListRow(page->resultList(), at);
}

void WindowEntryScreens::refreshQueryList(AppState& state) {
    if (runQuery) {
        runQuery();
    } else {
        EntryScreens::refreshQueryList(state);
    }
}

EntryActions::EntryActions(MainWindow& window, AppState& state, entry::EntryListView& lists)
    : QObject(&window), window_(window), state_(state), screens_(window, lists) {
    connectEntryPage();
    connectEntryMenu();
    connectSettingsPage();
    window_.onRefreshFilterChoices = [this] { refreshFilterChoices(state_.settings, screens_); };
    window_.lockPage()->installEventFilter(this);
}

void EntryActions::connectEntryPage() {
    EntryPage* page = window_.entryPage();
    QTableView* entries = page->entryList();
    QTableView* results = window_.queryPage()->resultList();
    connect(page->addButton(), &QToolButton::clicked, this, &EntryActions::openAddWindow);
    // "添加条目" of the tray's menu and Ctrl+N, from any page.
    connect(window_.commands().addEntry, &QAction::triggered, this, [this] {
        if (state_.locked) {
            window_.showFromTray();  // to the lock page, which asks for the password
        } else if (!state_.currentLedger.isOpen()) {
            showError(state_.user, kNoLedgerOpen);
        } else {
            openAddWindow();
        }
    });
    connect(page->importButton(), &QPushButton::clicked, this, &EntryActions::importBill);
    connect(page->modifyButton(), &QToolButton::clicked, this,
            [this, entries] { openEntry(entries, entry::EntryOpener::Modify); });
    connect(page->deleteButton(), &QToolButton::clicked, this, [this, entries] {
        entry::deleteSelectedEntry(state_, selectedRow(entries), screens_.lists());
    });
    connect(page->clearButton(), &QToolButton::clicked, this, [this, entries] {
        entry::clearAllEntries(state_, static_cast<std::size_t>(entries->model()->rowCount()),
                               screens_.lists());
    });
    connect(entries, &QTableView::doubleClicked, this,
            [this, entries] { openEntry(entries, entry::EntryOpener::EntryList); });
    connect(results, &QTableView::doubleClicked, this,
            [this, results] { openEntry(results, entry::EntryOpener::QueryList); });
}

void EntryActions::connectEntryMenu() {
    const MainWindow::EntryMenu& menu = window_.entryMenu();
    QTableView* entries = window_.entryPage()->entryList();
    connect(menu.view, &QAction::triggered, this,
            [this, entries] { openEntry(entries, entry::EntryOpener::EntryList); });
    connect(menu.modify, &QAction::triggered, this,
            [this, entries] { openEntry(entries, entry::EntryOpener::Modify); });
    connect(menu.remove, &QAction::triggered, this, [this, entries] {
        entry::deleteSelectedEntry(state_, selectedRow(entries), screens_.lists());
    });
    connect(menu.importBill, &QAction::triggered, this, &EntryActions::importBill);
    // "导出" and "全部导出" belong to the export's own actions.
}

void EntryActions::connectSettingsPage() {
    SettingsPage* page = window_.settingsPage();
    connect(page->itemsButton(), &QPushButton::clicked, this,
            [this, page] { editItemLists(page->context(), screens_); });
    connect(page->membersButton(), &QPushButton::clicked, this,
            [this, page] { editMemberList(page->context(), screens_); });
}

AddEntryWindow* EntryActions::addWindow() const {
    return addWindow_.data();
}

std::optional<std::size_t> EntryActions::selectedRow(const QTableView* list) const {
    const QModelIndexList rows = list->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    // Each row carries its entry's record number.
    bool ok = false;
    const int recordNumber = rows.first().data(Qt::UserRole).toInt(&ok);
    if (!ok || recordNumber < 1) return std::nullopt;
    return static_cast<std::size_t>(recordNumber - 1);
}

void EntryActions::openAddWindow() {
    if (!addWindow_) {
        addWindow_ = new AddEntryWindow(&window_, state_, screens_);
        addWindowHiddenByLock_ = false;
    }
    addWindow_->show();
    addWindow_->raise();
    addWindow_->activateWindow();
}

void EntryActions::importBill() {
    import::importBill(state_, screens_.lists());
}

void EntryActions::openEntry(const QTableView* list, entry::EntryOpener opener) {
    entry::openEntryWindow(state_, selectedRow(list), opener, screens_);
}

bool EntryActions::eventFilter(QObject* watched, QEvent* event) {
    // The lock page hides the add window with everything else, and brings it
    // back when it goes.
    // (Shown and hidden among the pages, whether the window is in the tray or not.)
    if (watched == window_.lockPage() && addWindow_) {
        if (event->type() == QEvent::ShowToParent && addWindow_->isVisible()) {
            addWindow_->hide();
            addWindowHiddenByLock_ = true;
        } else if (event->type() == QEvent::HideToParent && addWindowHiddenByLock_ &&
                   !state_.locked) {
            addWindowHiddenByLock_ = false;
            addWindow_->show();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qinghe::ui
