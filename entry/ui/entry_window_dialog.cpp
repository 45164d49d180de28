#include "entry/ui/entry_window_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "entry/ui/entry_controls.h"
#include "entry/ui/voucher_strip_widget.h"

namespace qinghe::ui {

EntryWindowDialog::EntryWindowDialog(QWidget* parent, entry::EntryWindowModel& model)
    : QDialog(parent), model_(model) {
    setModal(true);
    setWindowTitle(QStringLiteral("查看、修改项目内容"));
    QFont text = font();
    text.setPixelSize(12);
    setFont(text);
    setFixedSize(544, 326);
    pages_ = new QTabWidget(this);
    pages_->setGeometry(3, 4, 531, 316);
    auto* view = new QWidget;
    auto* modify = new QWidget;
    pages_->addTab(view, QStringLiteral("查看"));
    pages_->addTab(modify, QStringLiteral("修改"));
    buildViewPage(view);
    buildModifyPage(modify);
    showForm();
    pages_->setCurrentIndex(model_.startPage() == entry::EntryPage::Modify ? 1 : 0);
}

void EntryWindowDialog::buildViewPage(QWidget* page) {
    const entry::EntryViewTexts& texts = model_.viewTexts();
    dateLabel_ = addLabel(page, fromGbk(texts.date), QRect(14, 12, 247, 24));
    directionLabel_ = addLabel(page, fromGbk(texts.direction), QRect(14, 54, 263, 24));
    itemLabel_ = addLabel(page, fromGbk(texts.item), QRect(15, 91, 278, 24));
    memberLabel_ = addLabel(page, fromGbk(texts.member), QRect(16, 130, 277, 24));
    amountLabel_ = addLabel(page, fromGbk(texts.amount), QRect(17, 202, 268, 24));

    auto* notes = new QGroupBox(QStringLiteral("项目备注："), page);
    notes->setGeometry(317, 1, 208, 129);
    viewNote_ = new QPlainTextEdit(notes);
    viewNote_->setGeometry(6, 16, 195, 106);
    // Shown only: its text is never read back.
    viewNote_->setReadOnly(true);
    showNoteBox(viewNote_, texts.note);

    viewStrip_ = new VoucherStripWidget(model_.vouchers(), model_.user(),
                                        VoucherStripWidget::Mode::Viewing, page);
    viewStrip_->place(QRect(317, 137, 208, 104), QRect(316, 238, 208, 13));
    viewStrip_->setGuidance(model_.guidance());

    modify_ = new QToolButton(page);
    modify_->setGeometry(390, 257, 32, 32);
    modify_->setIcon(programIcon("modify"));
    modify_->setIconSize(QSize(24, 24));
    modify_->setAutoRaise(true);
    modify_->setToolTip(QStringLiteral("修改账目"));
    ok_ = addButton(page, QStringLiteral("确定"), QRect(436, 259, 88, 24));
    ok_->setDefault(true);
    connect(modify_, &QToolButton::clicked, this, [this] { pages_->setCurrentIndex(1); });
    connect(ok_, &QPushButton::clicked, this, [this] {
        model_.cancel();
        reject();
    });
}

void EntryWindowDialog::buildModifyPage(QWidget* page) {
    addLabel(page, QStringLiteral("时间："), QRect(12, 13, 48, 24));
    date_ = addDatePicker(page, QRect(63, 14, 140, 24));
    daySpin_ = new DaySpin(page, QRect(210, 15, 40, 20));
    addLabel(page, QStringLiteral("收支方向："), QRect(12, 55, 63, 24));
    direction_ = addDirectionBox(page, QRect(83, 58, 137, 20));
    addLabel(page, QStringLiteral("项目："), QRect(13, 92, 46, 24));
    item_ = addNameBox(page, QRect(62, 95, 237, 20));
    addLabel(page, QStringLiteral("成员："), QRect(14, 131, 45, 24));
    member_ = addNameBox(page, QRect(62, 132, 173, 20));
    addLabel(page, QStringLiteral("金额："), QRect(15, 203, 80, 24));
    amount_ = addAmountBox(page, QRect(76, 204, 192, 25));

    auto* notes = new QGroupBox(QStringLiteral("项目备注："), page);
    notes->setGeometry(315, 2, 208, 129);
    note_ = addNoteBox(notes, QRect(7, 15, 195, 106));

    editStrip_ = new VoucherStripWidget(model_.vouchers(), model_.user(),
                                        VoucherStripWidget::Mode::Editable, page);
    editStrip_->place(QRect(315, 138, 208, 104), QRect(315, 240, 208, 13));
    editStrip_->setGuidance(model_.guidance());

    save_ = addButton(page, QStringLiteral("保存"), QRect(315, 260, 88, 24));
    cancel_ = addButton(page, QStringLiteral("取消"), QRect(431, 259, 88, 24));

    // The direction list has no handler: the item choices stay as they are.
    connect(date_, &QDateEdit::dateChanged, this, [this](const QDate& date) {
        model_.form().date = entry::onDay(model_.form().date, dayOfDate(date));
    });
    connect(daySpin_, &DaySpin::stepped, this, [this](int days) {
        model_.form().date = entry::moveByDays(model_.form().date, days);
        const QSignalBlocker quiet(date_);
        date_->setDate(dateOfDay(model_.form().date));
    });
    connect(amount_, &QLineEdit::textEdited, this, [this] { model_.form().amountTyped = true; });
    connect(save_, &QPushButton::clicked, this, &EntryWindowDialog::save);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        model_.cancel();
        reject();
    });
}

void EntryWindowDialog::showForm() {
    const entry::EntryForm& form = model_.form();
    {
        const QSignalBlocker quiet(date_);
        date_->setDate(dateOfDay(form.date));
    }
    showDirection(direction_, form.direction);
    showNameBox(item_, form.item);
    showNameBox(member_, form.member);
    amount_->setText(fromGbk(form.amount));
    showNoteBox(note_, form.note);
}

void EntryWindowDialog::save() {
    entry::EntryForm& form = model_.form();
    if (!readTypedTexts(amount_, note_, item_, member_, form)) {
        showError(model_.user(), texts::kUnstorableText);
        return;
    }
    form.direction = directionAt(direction_->currentIndex());
    if (model_.save()) accept();
}

}  // namespace qinghe::ui
