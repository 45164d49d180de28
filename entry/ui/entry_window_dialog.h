#pragma once

#include <QDialog>

#include "entry/entry_window.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace qinghe::ui {

class DaySpin;
class VoucherStripWidget;

// The modal window "查看、修改项目内容" over the core's EntryWindowModel: the
// "查看" page shows the entry, the "修改" page edits the model's form, and
// "保存" reads the controls into the form and runs the model's save, closing
// only when it succeeded. Both pages' voucher strips share the model's list.
class EntryWindowDialog : public QDialog {
    Q_OBJECT

  public:
    EntryWindowDialog(QWidget* parent, entry::EntryWindowModel& model);

    QTabWidget* pages() const { return pages_; }
    // 查看
    QLabel* dateLabel() const { return dateLabel_; }
    QLabel* directionLabel() const { return directionLabel_; }
    QLabel* itemLabel() const { return itemLabel_; }
    QLabel* memberLabel() const { return memberLabel_; }
    QLabel* amountLabel() const { return amountLabel_; }
    QPlainTextEdit* viewNote() const { return viewNote_; }
    VoucherStripWidget* viewStrip() const { return viewStrip_; }
    QToolButton* modifyButton() const { return modify_; }
    QPushButton* okButton() const { return ok_; }
    // 修改
    QDateEdit* datePicker() const { return date_; }
    DaySpin* daySpin() const { return daySpin_; }
    QComboBox* directionBox() const { return direction_; }
    QComboBox* itemBox() const { return item_; }
    QComboBox* memberBox() const { return member_; }
    QLineEdit* amountBox() const { return amount_; }
    QPlainTextEdit* noteBox() const { return note_; }
    VoucherStripWidget* editStrip() const { return editStrip_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

  private:
    void buildViewPage(QWidget* page);
    void buildModifyPage(QWidget* page);
    void showForm();
    void save();

    entry::EntryWindowModel& model_;
    QTabWidget* pages_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    QLabel* directionLabel_ = nullptr;
    QLabel* itemLabel_ = nullptr;
    QLabel* memberLabel_ = nullptr;
    QLabel* amountLabel_ = nullptr;
    QPlainTextEdit* viewNote_ = nullptr;
    VoucherStripWidget* viewStrip_ = nullptr;
    QToolButton* modify_ = nullptr;
    QPushButton* ok_ = nullptr;
    QDateEdit* date_ = nullptr;
    DaySpin* daySpin_ = nullptr;
    QComboBox* direction_ = nullptr;
    QComboBox* item_ = nullptr;
    QComboBox* member_ = nullptr;
    QLineEdit* amount_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
    VoucherStripWidget* editStrip_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace qinghe::ui
