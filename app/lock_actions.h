#pragma once

#include <QObject>

#include "shell/screen_lock.h"

namespace qinghe {
struct AppState;
class MainWindow;
}  // namespace qinghe

namespace qinghe::ui {

class IdleWatcher;

// The lock's view of the main window: its pages and its toolbar.
class WindowLockView final : public LockView {
  public:
    explicit WindowLockView(MainWindow& window) : window_(window) {}
    int currentPage() const override;
    void selectPage(int page) override;
    void setToolbarEnabled(bool enabled) override;

  private:
    MainWindow& window_;
};

// The idle lock and the lock page's button: after the idle period set on the
// settings page without any input the program locks itself; the lock page's
// button unlocks with the login password.
class LockActions : public QObject {
    Q_OBJECT

  public:
    LockActions(MainWindow& window, AppState& state);

    IdleWatcher* idleWatcher() const { return idle_; }
    void lock();
    bool unlock();

  private:
    void checkIdle(qint64 idleMilliseconds);

    MainWindow& window_;
    AppState& state_;
    WindowLockView view_;
    IdleWatcher* idle_;
};

}  // namespace qinghe::ui
