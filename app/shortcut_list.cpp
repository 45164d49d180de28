#include "app/shortcut_list.h"

namespace qinghe::ui {

QList<ShortcutLine> shortcutLines() {
    const QString window = QStringLiteral("主窗口");
    const QString strip = QStringLiteral("单据凭证（选中一张时）");
    const QString viewer = QStringLiteral("查看凭证大图");
    const QString dialogs = QStringLiteral("对话框");
    auto text = [](const QKeySequence& keys) { return keys.toString(QKeySequence::NativeText); };
    return {
        {text(kHelpKeys), window, QStringLiteral("打开使用说明")},
        {text(kAddEntryKeys), window, QStringLiteral("添加条目（已打开账簿时）")},
        {text(kLockKeys), window, QStringLiteral("立即锁定软件")},
        {text(kExitKeys), window, QStringLiteral("退出软件")},
        {QStringLiteral("Enter / 空格"), strip, QStringLiteral("查看凭证大图")},
        {QStringLiteral("← / →"), strip, QStringLiteral("选中前一张、后一张")},
        {QStringLiteral("Delete"), strip, QStringLiteral("删除选中的凭证")},
        {QStringLiteral("+ / -"), viewer, QStringLiteral("放大、缩小")},
        {QStringLiteral("方向键"), viewer, QStringLiteral("移动图片")},
        {QStringLiteral("PageUp / PageDown"), viewer, QStringLiteral("上下翻一屏")},
        {QStringLiteral("Enter"), dialogs, QStringLiteral("确认")},
        {QStringLiteral("Esc"), dialogs, QStringLiteral("取消、关闭")},
    };
}

}  // namespace qinghe::ui
