#pragma once

#include <QDateEdit>
#include <QString>

namespace qinghe::ui {

// A date box into which a whole date can be typed: a digit typed over a
// selection that begins the text (the whole text, or the year) starts a new
// date, which sets exactly what was typed when the typing ends (Enter, Tab,
// leaving the box); a year alone, or a year and month, keeps the rest of the
// date. A text that cannot become a date the box shows is shown red and
// refused when the typing ends (the date stays as it was); Escape gives the
// date back. Other editing is QDateEdit's own.
class TypedDateEdit : public QDateEdit {
    Q_OBJECT
  public:
    explicit TypedDateEdit(QWidget* parent = nullptr);

    bool typing() const { return typing_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    QValidator::State validate(QString& input, int& position) const override;

  private:
    void type(QChar character);
    // The box's date follows the typing: what its end would set.
    void takeTypedDate();
    void showTyped();
    // Ends the typing: the date typed, or the old one when it makes none.
    void finishTyping();
    void cancelTyping();
    // Typing over: the box shows `chosen` in its own form.
    void settle(const QDate& chosen);
    // The date the typed text sets when the typing ends (the date it began
    // with, when the text makes none).
    QDate typedDate() const;

    bool typing_ = false;
    bool settingTyped_ = false;
    QString typed_;
    QDate before_;  // the date when the typing began, for Escape
};

}  // namespace qinghe::ui
