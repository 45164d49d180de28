#pragma once

#include <QWidget>

class QToolButton;

namespace qinghe::ui {

// Page 7 "锁定软件": shown while the program is locked; its one button unlocks.
class LockPage : public QWidget {
    Q_OBJECT

  public:
    explicit LockPage(QWidget* parent = nullptr);

    QToolButton* unlockButton() const { return unlock_; }

  private:
    QToolButton* unlock_;
};

}  // namespace qinghe::ui
