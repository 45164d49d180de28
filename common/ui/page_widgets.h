#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace qinghe::ui {

// The pages place their controls at the rectangles the window was drawn
// with: through the parent's AnchoredLayout when it has one (the pages of the
// main window, which grow with it), else at those fixed rectangles (dialogs).

// One of the program's own icons ("ledger" for :/icons/ledger.svg).
QIcon programIcon(const char* name);

// A picture box showing an icon at the size of `geometry`.
QLabel* addPicture(QWidget* parent, const char* iconName, const QRect& geometry);
QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry);
// A label whose text wraps at its width, from the top.
QLabel* addWrappedLabel(QWidget* parent, const QString& text, const QRect& geometry);
QPushButton* addButton(QWidget* parent, const QString& text, const QRect& geometry);
// A one-line text box; a password box hides what is typed.
enum class Echo { Normal, Password };
QLineEdit* addTextBox(QWidget* parent, const QRect& geometry, Echo echo = Echo::Normal);
// The explanation at the top of a page, beside its picture.
QLabel* addHint(QWidget* parent, const QString& text);
// An image button: a 64×64 button with its picture above its caption.
QToolButton* addImageButton(QWidget* parent, const char* iconName, const QString& caption, int x,
                            int y);
// A report-style list over `model` (which carries the column headers): whole
// rows selected, read-only, no grid, the columns at their widths, fitted to
// the view (fitColumns).
QTableView* addListView(QWidget* parent, QAbstractItemModel* model, const QList<int>& widths,
                        const QRect& geometry);
// The same over an empty item model, for lists whose rows are set one by one.
QTableView* addListView(QWidget* parent, const QStringList& headers, const QList<int>& widths,
                        const QRect& geometry);

// Keeps a list's columns inside its view, so no horizontal scroll bar hides
// the last one: when the widths fit, the last column takes what is left; when
// they do not, every column shrinks in proportion. Refitted whenever the view
// changes width (a vertical scroll bar coming or going, for one).
void fitColumns(QTableView* view, const QList<int>& widths);
// The widths that fitColumns gives for a view `available` pixels wide.
QList<int> fittedColumnWidths(const QList<int>& widths, int available);

}  // namespace qinghe::ui
