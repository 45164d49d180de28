#pragma once

#include <QDialog>

class QTableWidget;

namespace qinghe::ui {

// "快捷键列表": every shortcut of the program, what it does and where.
class ShortcutsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ShortcutsDialog(QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }

  private:
    QTableWidget* table_;
};

}  // namespace qinghe::ui
