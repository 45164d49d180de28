#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class QLabel;
class QStandardItemModel;
class QTableView;
class QToolButton;
class QWidget;

namespace qinghe::ui {

// The pages place their controls at fixed positions, as the window was drawn:
// the page container has a fixed size, so there is nothing to lay out anew.

// One of the program's own icons ("ledger" for :/icons/ledger.svg).
QIcon programIcon(const char* name);

// A picture box showing an icon at the size of `geometry`.
QLabel* addPicture(QWidget* parent, const char* iconName, const QRect& geometry);
QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry);
// The explanation at the top of a page, beside its picture.
QLabel* addHint(QWidget* parent, const QString& text);
// An image button: a 64×64 button with its picture above its caption.
QToolButton* addImageButton(QWidget* parent, const char* iconName, const QString& caption, int x,
                            int y);
// A report-style list: whole rows selected, read-only, no grid, with an empty
// model carrying the column headers and their widths.
QTableView* addListView(QWidget* parent, const QStringList& headers, const QList<int>& widths,
                        const QRect& geometry);
QStandardItemModel* listModel(QTableView* view);

}  // namespace qinghe::ui
