#include "entry/ui/entry_controls.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QToolButton>
#include <cmath>

#include "common/gbk.h"
#include "common/ole_date.h"
#include "common/ui/gbk_text.h"
#include "entry/ui/typed_date_edit.h"
#include "tables/schemas.h"

namespace qinghe::ui {

namespace {

// Keeps a note box within the note field's width, cutting what goes beyond
// on a character boundary.
void keepWithinNoteField(QPlainTextEdit* box) {
    const auto gbk = readNoteBox(box);
    // Text GBK cannot hold is refused when the entry is stored.
    if (!gbk || gbk->size() <= static_cast<std::size_t>(tables::width::kNote)) return;
    std::string kept(cutGbk(*gbk, tables::width::kNote));
    // Never half of a line break.
    if (!kept.empty() && kept.back() == '\r') kept.pop_back();
    const QSignalBlocker quiet(box);
    const int position = box->textCursor().position();
    showNoteBox(box, kept);
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(std::min(position, int(box->toPlainText().size())));
    box->setTextCursor(cursor);
}

}  // namespace

QDateEdit* addDatePicker(QWidget* parent, const QRect& geometry) {
    auto* picker = new TypedDateEdit(parent);
    picker->setGeometry(geometry);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    picker->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    return picker;
}

QDate dateOfDay(double dateTime) {
    const CivilDate civil = civilFromDate(dateTime);
    return QDate(civil.year, civil.month, civil.day);
}

double dayOfDate(const QDate& date) {
    return dateFromCivil(date.year(), date.month(), date.day()).value_or(kEarliestDate);
}

DaySpin::DaySpin(QWidget* parent, const QRect& geometry) : QWidget(parent) {
    setGeometry(geometry);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    earlier_ = new QToolButton(this);
    earlier_->setArrowType(Qt::LeftArrow);
    earlier_->setToolTip(QStringLiteral("前一天"));
    later_ = new QToolButton(this);
    later_->setArrowType(Qt::RightArrow);
    later_->setToolTip(QStringLiteral("后一天"));
    for (QToolButton* button : {earlier_, later_}) {
        button->setAutoRepeat(true);
        button->setFixedSize(geometry.width() / 2, geometry.height());
        layout->addWidget(button);
    }
    connect(earlier_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    connect(later_, &QToolButton::clicked, this, [this] { emit stepped(1); });
}

QComboBox* addDirectionBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QComboBox(parent);
    box->setGeometry(geometry);
    box->addItems({QStringLiteral("收入"), QStringLiteral("支出")});
    return box;
}

Direction directionAt(int index) {
    return index == 0 ? Direction::Income : Direction::Expense;
}

void showDirection(QComboBox* box, Direction direction) {
    box->setCurrentIndex(direction == Direction::Income ? 0 : 1);
}

QComboBox* addNameBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QComboBox(parent);
    box->setGeometry(geometry);
    box->setEditable(true);
    // Typed names join the lists through the core's rule, not the box's.
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

void showNameBox(QComboBox* box, const entry::NameBox& names) {
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& name : names.choices) box->addItem(fromGbk(name));
    box->setCurrentIndex(names.selected);
    box->setEditText(fromGbk(names.text));
}

bool readNameBox(const QComboBox* box, entry::NameBox& names) {
    auto text = toGbk(box->currentText());
    if (!text) return false;
    names.text = std::move(*text);
    const int index = box->currentIndex();
    names.selected = index >= 0 && index < int(names.choices.size()) &&
                             names.choices[std::size_t(index)] == names.text
                         ? index
                         : -1;
    return true;
}

QLineEdit* addAmountBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(geometry);
    box->setMaxLength(24);
    box->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+－＋]?[0-9０-９]*([.．][0-9０-９]*)?")), box));
    return box;
}

QPlainTextEdit* addNoteBox(QWidget* parent, const QRect& geometry) {
    auto* box = new QPlainTextEdit(parent);
    box->setGeometry(geometry);
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] { keepWithinNoteField(box); });
    return box;
}

std::optional<std::string> readNoteBox(const QPlainTextEdit* box) {
    QString text = box->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toGbk(text);
}

void showNoteBox(QPlainTextEdit* box, const std::string& note) {
    QString text = fromGbk(note);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(text);
}

bool readTypedTexts(const QLineEdit* amount, const QPlainTextEdit* note, const QComboBox* item,
                    const QComboBox* member, entry::EntryFields& fields) {
    auto amountText = toGbk(amount->text());
    auto noteText = readNoteBox(note);
    if (!amountText || !noteText || !readNameBox(item, fields.item) ||
        !readNameBox(member, fields.member))
        return false;
    fields.amount = std::move(*amountText);
    fields.note = std::move(*noteText);
    return true;
}

}  // namespace qinghe::ui
