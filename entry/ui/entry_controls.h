#pragma once

#include <QDate>
#include <QWidget>
#include <optional>
#include <string>

#include "entry/entry_form.h"
#include "entry/entry_values.h"

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace qinghe::ui {

// The controls the add window and the modify page share, and their meeting
// with the core's form: dates as day counts, drop-downs as NameBox, texts as
// GBK.

// A date picker over the dates the program handles (0100-01-01 .. 9999-12-31).
QDateEdit* addDatePicker(QWidget* parent, const QRect& geometry);
QDate dateOfDay(double dateTime);
double dayOfDate(const QDate& date);

// The day spin: two arrows, the left one a day earlier, the right one a day
// later.
class DaySpin : public QWidget {
    Q_OBJECT

  public:
    DaySpin(QWidget* parent, const QRect& geometry);
    QToolButton* earlierButton() const { return earlier_; }
    QToolButton* laterButton() const { return later_; }

  signals:
    void stepped(int days);

  private:
    QToolButton* earlier_;
    QToolButton* later_;
};

// The direction drop-down: "收入", "支出".
QComboBox* addDirectionBox(QWidget* parent, const QRect& geometry);
// The direction a choice of it stands for (none chosen: 支出), and the choice
// showing a direction.
Direction directionAt(int index);
void showDirection(QComboBox* box, Direction direction);
// An editable drop-down of names.
QComboBox* addNameBox(QWidget* parent, const QRect& geometry);
void showNameBox(QComboBox* box, const entry::NameBox& names);
// The box's text and selection into `names` (its choices are the core's);
// false when the text holds a character GBK cannot store.
bool readNameBox(const QComboBox* box, entry::NameBox& names);

// The amount box: a sign, digits (half or full width) and one point.
QLineEdit* addAmountBox(QWidget* parent, const QRect& geometry);
// A multi-line note box that takes no more than the note field keeps (512
// GBK bytes, as stored), so nothing typed is cut when it is stored.
QPlainTextEdit* addNoteBox(QWidget* parent, const QRect& geometry);
// A note as stored: GBK, its lines ended by CR LF as the program always wrote
// them; nothing when GBK cannot hold it.
std::optional<std::string> readNoteBox(const QPlainTextEdit* box);
void showNoteBox(QPlainTextEdit* box, const std::string& note);

// The typed texts of both windows' amount, note, item and member boxes into
// `fields`; false when one holds a character GBK cannot store (some of them
// may have been read then).
bool readTypedTexts(const QLineEdit* amount, const QPlainTextEdit* note, const QComboBox* item,
                    const QComboBox* member, entry::EntryFields& fields);

}  // namespace qinghe::ui
