#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "app/window_ledger_view.h"

class QMenu;
class QPoint;
class QTableView;

namespace qinghe {
struct AppState;
class MainWindow;
}  // namespace qinghe

namespace qinghe::ui {

// Connects the ledger features to the main window: the 账簿管理 buttons, its
// list and menu, the list refills, the 记账 list's menu popping up, and the
// initial balance in 系统设置.
class LedgerActions : public QObject {
    Q_OBJECT

  public:
    // Sets the window's refill hooks; lives as long as the window.
    LedgerActions(MainWindow& window, AppState& state);

    // The lists as the ledger flows show them: the entry flows show theirs there too.
    WindowLedgerView& view() { return view_; }

  private:
    void setRefills();
    void connectLedgerPage();
    void popUpEntryMenu();
    void connectSettingsPage();

    // The record number of the ledger selected in the list.
    std::optional<std::int32_t> selectedLedger() const;
    void openSelectedLedger();
    // The list's menu where the mouse is, when a row is selected.
    void popUpMenu(QMenu* menu, QTableView* list, const QPoint& position);

    MainWindow& window_;
    AppState& state_;
    WindowLedgerView view_;
};

}  // namespace qinghe::ui
