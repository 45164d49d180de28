#pragma once

#include <QObject>
#include <QPointer>
#include <cstddef>
#include <functional>
#include <optional>

#include "entry/entry_screens.h"
#include "entry/entry_window.h"

class QTableView;

namespace qinghe {
struct AppState;
class MainWindow;
}  // namespace qinghe

namespace qinghe::ui {

class AddEntryWindow;

// The entry flows' screens on the main window: the lists (the ledger
// features' view), the 查账 page's filter choices, and the rows selected
// again after a save.
class WindowEntryScreens final : public entry::EntryScreens {
  public:
    WindowEntryScreens(MainWindow& window, entry::EntryListView& lists);

    void showFilterChoices(const FilterChoices& choices) override;
    void selectEntryRow(std::size_t row) override;
    void selectQueryRow(std::size_t row) override;
    // Through `runQuery` once the query sets it; every entry until then.
    void refreshQueryList(AppState& state) override;

    // The 查账 page's query with the conditions it shows, set by the query
    // feature: the 查账 list after an entry opened from it was saved.
    std::function<void()> runQuery;

  private:
    MainWindow& window_;
};

// Connects the entry features to the main window: the 记账 page's buttons,
// its list's double-click and menu, the 查账 list's double-click, the two
// list buttons of the settings page and the filter choices at start-up. The
// add window is modeless: a second "添加条目" brings it to the front, and it
// hides while the program is locked.
class EntryActions : public QObject {
    Q_OBJECT

  public:
    EntryActions(MainWindow& window, AppState& state, entry::EntryListView& lists);

    WindowEntryScreens& screens() { return screens_; }
    // The add window while it is open, else null.
    AddEntryWindow* addWindow() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void connectEntryPage();
    void connectEntryMenu();
    void connectSettingsPage();

    // The row of the open ledger's rows a list's selected row shows.
    std::optional<std::size_t> selectedRow(const QTableView* list) const;
    void openAddWindow();
    // "导入账单..." of the 记账 page and of its list's menu.
    void importBill();
    void openEntry(const QTableView* list, entry::EntryOpener opener);

    MainWindow& window_;
    AppState& state_;
    WindowEntryScreens screens_;
    QPointer<AddEntryWindow> addWindow_;
    bool addWindowHiddenByLock_ = false;
};

}  // namespace qinghe::ui
