#pragma once

#include <QDialog>

#include "entry/add_entry.h"
#include "entry/voucher_strip.h"

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qinghe {
struct AppState;
}

namespace qinghe::ui {

class DaySpin;
class VoucherStripWidget;

// The modeless window "添加一个项目": the main window stays usable while it is
// open, and it stays open after each addition, reset for the next entry. Each
// control reads into the core's AddEntryForm, and each action is the core's
// flow over it; the window shows the form again afterwards.
class AddEntryWindow : public QDialog {
    Q_OBJECT

  public:
    // `owner` is the main window; `state` and `screens` outlive the window.
    AddEntryWindow(QWidget* owner, AppState& state, entry::EntryScreens& screens);

    QDateEdit* datePicker() const { return date_; }
    DaySpin* daySpin() const { return daySpin_; }
    QComboBox* directionBox() const { return direction_; }
    QComboBox* itemBox() const { return item_; }
    QComboBox* memberBox() const { return member_; }
    QLineEdit* amountBox() const { return amount_; }
    QPlainTextEdit* noteBox() const { return note_; }
    VoucherStripWidget* voucherStrip() const { return strip_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* exitButton() const { return exit_; }
    const entry::AddEntryForm& form() const { return form_; }
    const entry::VoucherStripModel& vouchers() const { return vouchers_; }

  private:
    void build();
    void showForm();
    // The typed texts into the form; false (and said) when one holds a
    // character GBK cannot store.
    bool readTexts();
    void addEntry();
    void leave();

    AppState& state_;
    entry::EntryScreens& screens_;
    entry::AddEntryForm form_;
    entry::VoucherStripModel vouchers_;
    QDateEdit* date_ = nullptr;
    DaySpin* daySpin_ = nullptr;
    QComboBox* direction_ = nullptr;
    QComboBox* item_ = nullptr;
    QComboBox* member_ = nullptr;
    QLineEdit* amount_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
    VoucherStripWidget* strip_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* exit_ = nullptr;
};

}  // namespace qinghe::ui
