#include "app/lock_actions.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>

#include "app/idle_watcher.h"
#include "app/lock_page.h"
#include "app/main_window.h"
#include "session/app_state.h"

namespace qinghe::ui {

int WindowLockView::currentPage() const {
    return window_.currentPage();
}

void WindowLockView::selectPage(int page) {
    window_.selectPage(page);
}

void WindowLockView::setToolbarEnabled(bool enabled) {
    window_.setToolbarEnabled(enabled);
}

LockActions::LockActions(MainWindow& window, AppState& state)
    : QObject(&window), window_(window), state_(state), view_(window) {
    idle_ = new IdleWatcher([this](qint64 idle) { checkIdle(idle); }, this);
    connect(window_.lockPage()->unlockButton(), &QToolButton::clicked, this, [this] { unlock(); });
    // "锁定" (Ctrl+L, the tray's menu) locks at once, idle or not.
    connect(window_.commands().lock, &QAction::triggered, this, &LockActions::lock);
}

void LockActions::lock() {
    lockSoftware(state_, view_);
}

bool LockActions::unlock() {
    return unlockSoftware(state_, view_);
}

void LockActions::checkIdle(qint64 idleMilliseconds) {
    // Never in the middle of another handler: a dialog or a menu open means
    // its handler has not returned yet, and would change the page after us.
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return;
    if (idleLockDue(state_, idleMilliseconds)) lock();
}

}  // namespace qinghe::ui
