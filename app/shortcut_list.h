#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace qinghe::ui {

// One line of "查看快捷键列表...": the keys, where they work, and what they do.
struct ShortcutLine {
    QString keys;
    QString where;
    QString action;
};

// The main window's own shortcuts (the list names them by these).
inline const QKeySequence kHelpKeys = QKeySequence(Qt::Key_F1);
inline const QKeySequence kAddEntryKeys = QKeySequence(Qt::CTRL | Qt::Key_N);
inline const QKeySequence kLockKeys = QKeySequence(Qt::CTRL | Qt::Key_L);
inline const QKeySequence kExitKeys = QKeySequence(Qt::CTRL | Qt::Key_Q);

// Every shortcut of the program, in the order the list shows them.
QList<ShortcutLine> shortcutLines();

}  // namespace qinghe::ui
