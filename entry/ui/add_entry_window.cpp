#include "entry/ui/add_entry_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "entry/ui/entry_controls.h"
#include "entry/ui/voucher_strip_widget.h"
#include "session/app_state.h"

namespace qinghe::ui {

AddEntryWindow::AddEntryWindow(QWidget* owner, AppState& state, entry::EntryScreens& screens)
    : QDialog(owner), state_(state), screens_(screens), form_(entry::newAddEntryForm(state)) {
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("添加一个项目"));
    QFont text = font();
    text.setPixelSize(12);
    setFont(text);
    setFixedSize(544, 326);
    move(50, 50);
    build();
    showForm();
}

void AddEntryWindow::build() {
    addLabel(this, QStringLiteral("时间："), QRect(17, 18, 48, 24));
    date_ = addDatePicker(this, QRect(68, 19, 140, 24));
    daySpin_ = new DaySpin(this, QRect(215, 20, 40, 20));
    addLabel(this, QStringLiteral("收支方向："), QRect(17, 60, 63, 24));
    direction_ = addDirectionBox(this, QRect(88, 63, 137, 20));
    addLabel(this, QStringLiteral("项目："), QRect(18, 97, 46, 24));
    item_ = addNameBox(this, QRect(67, 100, 237, 20));
    addLabel(this, QStringLiteral("成员："), QRect(19, 136, 45, 24));
    member_ = addNameBox(this, QRect(67, 137, 173, 20));
    addLabel(this, QStringLiteral("金额："), QRect(20, 208, 80, 24));
    amount_ = addAmountBox(this, QRect(81, 209, 192, 25));

    auto* notes = new QGroupBox(QStringLiteral("项目备注："), this);
    notes->setGeometry(320, 7, 208, 129);
    note_ = addNoteBox(notes, QRect(8, 17, 192, 104));

    strip_ =
        new VoucherStripWidget(vouchers_, state_.user, VoucherStripWidget::Mode::Editable, this);
    strip_->place(QRect(320, 143, 208, 104), QRect(320, 244, 208, 16));
    strip_->setGuidance(state_.settings.visualGuidance);

    add_ = ui::addButton(this, QStringLiteral("添加"), QRect(320, 265, 88, 24));
    cancel_ = ui::addButton(this, QStringLiteral("取消"), QRect(436, 264, 88, 24));
    exit_ = ui::addButton(this, QStringLiteral("退出"), QRect(15, 268, 88, 24));
    add_->setDefault(true);

    connect(date_, &QDateEdit::dateChanged, this,
            [this](const QDate& date) { form_.date = entry::onDay(form_.date, dayOfDate(date)); });
    connect(daySpin_, &DaySpin::stepped, this, [this](int days) {
        form_.date = entry::moveByDays(form_.date, days);
        const QSignalBlocker quiet(date_);
        date_->setDate(dateOfDay(form_.date));
    });
    connect(direction_, &QComboBox::currentIndexChanged, this, [this](int index) {
        entry::chooseDirection(state_.settings, form_, directionAt(index));
        showNameBox(item_, form_.item);
    });
    connect(add_, &QPushButton::clicked, this, &AddEntryWindow::addEntry);
    connect(cancel_, &QPushButton::clicked, this, &AddEntryWindow::leave);
    connect(exit_, &QPushButton::clicked, this, &AddEntryWindow::leave);
}

void AddEntryWindow::showForm() {
    {
        const QSignalBlocker quietDate(date_);
        date_->setDate(dateOfDay(form_.date));
        const QSignalBlocker quietDirection(direction_);
        showDirection(direction_, form_.direction);
    }
    showNameBox(item_, form_.item);
    showNameBox(member_, form_.member);
    amount_->setText(fromGbk(form_.amount));
    showNoteBox(note_, form_.note);
}

bool AddEntryWindow::readTexts() {
    if (readTypedTexts(amount_, note_, item_, member_, form_)) return true;
    showError(state_.user, texts::kUnstorableText);
    return false;
}

void AddEntryWindow::addEntry() {
    if (!readTexts()) return;
    if (entry::addEntryFromForm(state_, form_, vouchers_, screens_) ==
        entry::AddEntryResult::Added) {
        showForm();
        amount_->setFocus();
    }
}

void AddEntryWindow::leave() {
    entry::leaveAddEntryWindow(state_, screens_);
    close();
}

}  // namespace qinghe::ui
