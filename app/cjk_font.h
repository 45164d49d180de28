#pragma once

#include <QString>
#include <QStringList>

class QFont;

namespace qinghe::ui {

// The family to write Chinese in when the default font's family has no
// Chinese: the first of the well-known ones installed (Noto Sans CJK SC from
// fonts-noto-cjk first), else the first installed family that writes
// Simplified Chinese. Empty when the default has Chinese or none is installed.
QString cjkFamilyFor(bool defaultHasChinese, const QStringList& chineseFamilies);

// Makes the application's font one that has Chinese glyphs when the system's
// default has none, keeping its size. The family chosen, or empty.
QString useChineseCapableFont();

}  // namespace qinghe::ui
