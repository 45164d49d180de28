#pragma once

class QCoreApplication;

namespace qinghe::ui {

// Qt's own texts in Chinese: the buttons, captions and labels of the file
// choosers, input boxes and the like ("查找范围", "文件名", "打开", "取消"), from
// Qt's translations (qtbase_zh_CN.qm, Debian qt6-translations-l10n). False
// when they are not installed: those texts stay in English.
bool loadQtTranslations(QCoreApplication& application);

}  // namespace qinghe::ui
