#include "app/ledger_actions.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "app/main_window.h"
#include "config/initial_balance.h"
#include "config/ui/settings_page.h"
#include "entry/entry_list.h"
#include "entry/ui/entry_page.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "session/app_state.h"

namespace qinghe::ui {
namespace {

bool hasSelectedRow(const QTableView* list) {
    return list->selectionModel()->hasSelection();
}

}  // namespace

LedgerActions::LedgerActions(MainWindow& window, AppState& state)
    : QObject(&window), window_(window), state_(state), view_(window, state) {
    setRefills();
    connectLedgerPage();
    popUpEntryMenu();
    connectSettingsPage();
}

void LedgerActions::setRefills() {
    window_.onRebuildLedgerList = [this] { ledger::showRebuiltLedgerList(state_, view_); };
    window_.onFillEntryList = [this] { entry::fillEntryList(state_, view_); };
    window_.onFillQueryList = [this] { entry::fillQueryList(state_, view_); };
}

void LedgerActions::connectLedgerPage() {
    LedgerPage* page = window_.ledgerPage();
    QTableView* list = page->ledgerList();
    auto newLedger = [this] { ledger::newLedger(state_, view_); };
    auto changeLedger = [this] { ledger::changeLedger(state_, selectedLedger(), view_); };
    auto deleteLedger = [this] { ledger::deleteLedger(state_, selectedLedger(), view_); };
    auto clearLedgers = [this] {
        ledger::clearLedgers(state_, window_.ledgerPage()->ledgerModel()->rowCount(), view_);
    };
    connect(page->newButton(), &QToolButton::clicked, this, newLedger);
    connect(page->modifyButton(), &QToolButton::clicked, this, changeLedger);
    connect(page->deleteButton(), &QToolButton::clicked, this, deleteLedger);
    connect(page->clearButton(), &QToolButton::clicked, this, clearLedgers);

    const MainWindow::LedgerMenu& menu = window_.ledgerMenu();
    connect(menu.open, &QAction::triggered, this, &LedgerActions::openSelectedLedger);
    connect(menu.modify, &QAction::triggered, this, changeLedger);
    connect(menu.remove, &QAction::triggered, this, deleteLedger);

    connect(list, &QTableView::doubleClicked, this, &LedgerActions::openSelectedLedger);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QTableView::customContextMenuRequested, this,
            [this, menu = menu.menu, list](const QPoint& position) {
                popUpMenu(menu, list, position);
            });
}

void LedgerActions::popUpEntryMenu() {
    QMenu* menu = window_.entryMenu().menu;
    QTableView* list = window_.entryPage()->entryList();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QTableView::customContextMenuRequested, this,
            [this, menu, list](const QPoint& position) { popUpMenu(menu, list, position); });
}

void LedgerActions::connectSettingsPage() {
    connect(window_.settingsPage()->initialAmountButton(), &QPushButton::clicked, this,
            [this] { editInitialBalance(state_.run, state_.settings, state_.user); });
}

std::optional<std::int32_t> LedgerActions::selectedLedger() const {
    const QModelIndexList rows =
        window_.ledgerPage()->ledgerList()->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return window_.ledgerPage()->ledgerModel()->recordNumber(rows.first().row());
}

void LedgerActions::openSelectedLedger() {
    if (auto record = selectedLedger()) ledger::openLedger(state_, *record, view_);
}

void LedgerActions::popUpMenu(QMenu* menu, QTableView* list, const QPoint& position) {
    if (!hasSelectedRow(list)) return;
    menu->popup(list->viewport()->mapToGlobal(position));
}

}  // namespace qinghe::ui
