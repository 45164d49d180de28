#pragma once

#include <QRect>

class QLabel;
class QWidget;

namespace qinghe::ui {

// The warning under the password boxes of "添加一个新账簿" and "修改账簿信息".
QLabel* addPasswordNote(QWidget* parent, const QRect& geometry);

}  // namespace qinghe::ui
