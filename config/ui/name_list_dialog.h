#pragma once

#include <QDialog>
#include <QList>

#include "config/name_lists.h"

class QListWidget;
class QPushButton;

namespace qinghe::ui {

// "设定收支项目" (two lists) and "家庭成员设定" (one list) over the core's
// NameListsModel: each button runs the model's own action, and the list
// boxes show the model's lines after it. Modal; the core reads the model when
// the dialog has closed.
class NameListDialog : public QDialog {
    Q_OBJECT

  public:
    NameListDialog(QWidget* parent, NameListsModel& model);

    // One list box with its three buttons.
    struct ListControls {
        QListWidget* list = nullptr;
        QPushButton* add = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* clear = nullptr;
    };
    const QList<ListControls>& lists() const { return lists_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    void buildItemDialog();
    void buildMemberDialog();
    ListControls addList(QWidget* parent, const QRect& list, int buttonsLeft, int buttonsTop,
                         int buttonGap);
    void connectList(int index);
    void showLines(int index);

    NameListsModel& model_;
    QList<ListControls> lists_;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace qinghe::ui
