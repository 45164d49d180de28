#include "entry/ui/typed_date_edit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QSignalBlocker>

#include "entry/typed_date.h"

namespace qinghe::ui {

namespace {

// Longer than any date: what is typed beyond it is refused.
constexpr int kMostTyped = 12;

bool isDateCharacter(QChar c) {
    return c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('/') || c == QLatin1Char('.');
}

}  // namespace

TypedDateEdit::TypedDateEdit(QWidget* parent) : QDateEdit(parent) {
    // A date set by the calendar or the program ends any typing.
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (settingTyped_) return;
        typing_ = false;
        typed_.clear();
    });
}

void TypedDateEdit::type(QChar character) {
    if (typed_.size() >= kMostTyped) {
        QApplication::beep();
        return;
    }
    typed_ += character;
    // The box's date is at once what the typing makes: whoever reads it while
    // the text is still being typed (a button pressed) reads what was typed.
    takeTypedDate();
    showTyped();
}

void TypedDateEdit::takeTypedDate() {
    const QDate typed = typedDate();
    if (typed == date()) return;
    settingTyped_ = true;
    setDate(typed);
    settingTyped_ = false;
}

QDate TypedDateEdit::typedDate() const {
    const auto typed = entry::committedTypedDate(
        typed_.toStdString(), CivilDate{before_.year(), before_.month(), before_.day()});
    return typed ? QDate(typed->year, typed->month, typed->day) : before_;
}

void TypedDateEdit::showTyped() {
    // The spin box's own parsing never sees the text being typed (validate
    // lets it be): it would read it section by section and keep parts of the
    // old date.
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(typed_);
    lineEdit()->setCursorPosition(int(typed_.size()));
    // What can no longer become a date is shown red, and refused at the end.
    QPalette colours = palette();
    if (entry::typedDateState(typed_.toStdString()) == entry::TypedDateState::Impossible)
        colours.setColor(QPalette::Text, Qt::red);
    lineEdit()->setPalette(colours);
}

QValidator::State TypedDateEdit::validate(QString& input, int& position) const {
    if (typing_) return QValidator::Intermediate;
    return QDateEdit::validate(input, position);
}

void TypedDateEdit::finishTyping() {
    if (!typing_) return;
    const bool refused = !entry::committedTypedDate(
        typed_.toStdString(), CivilDate{before_.year(), before_.month(), before_.day()});
    if (refused) QApplication::beep();
    settle(typedDate());
}

void TypedDateEdit::cancelTyping() {
    settle(before_);
}

void TypedDateEdit::settle(const QDate& chosen) {
    typing_ = false;
    typed_.clear();
    lineEdit()->setPalette(palette());
    if (chosen != date()) {
        setDate(chosen);
    } else {
        const QSignalBlocker quiet(lineEdit());
        lineEdit()->setText(textFromDateTime(dateTime()));
    }
}

void TypedDateEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool dateCharacter = text.size() == 1 && isDateCharacter(text[0]);
    if (!typing_ && dateCharacter && text[0].isDigit() && lineEdit()->hasSelectedText() &&
        lineEdit()->selectionStart() == 0) {
        typing_ = true;
        typed_.clear();
        before_ = date();
    }
    if (!typing_) {
        QDateEdit::keyPressEvent(event);
        return;
    }
    if (dateCharacter) {
        type(text[0]);
        event->accept();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Backspace:
            typed_.chop(1);
            takeTypedDate();
            showTyped();
            event->accept();
            return;
        case Qt::Key_Escape:
            cancelTyping();
            event->accept();
            return;
        default:
            // Enter, Tab, the arrows: the typed date first, then what the key does.
            finishTyping();
            QDateEdit::keyPressEvent(event);
    }
}

void TypedDateEdit::focusOutEvent(QFocusEvent* event) {
    finishTyping();
    QDateEdit::focusOutEvent(event);
}

void TypedDateEdit::mousePressEvent(QMouseEvent* event) {
    finishTyping();
    QDateEdit::mousePressEvent(event);
}

}  // namespace qinghe::ui
