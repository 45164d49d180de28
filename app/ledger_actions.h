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
// list and menu, the list refills, and the initial balance in 系统设置. The
// entry list's menu and buttons stay disabled until their features exist.
class LedgerActions : public QObject {
    Q_OBJECT

  public:
    // Sets the window's refill hooks; lives as long as the window.
    LedgerActions(MainWindow& window, AppState& state);

  private:
    void setRefills();
    void connectLedgerPage();
    void disableEntryFeatures();
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
