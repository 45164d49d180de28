#include "app/cjk_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace qinghe::ui {

QString cjkFamilyFor(bool defaultHasChinese, const QStringList& chineseFamilies) {
    if (defaultHasChinese || chineseFamilies.isEmpty()) return {};
    // Sans-serif faces made for screens first, in the order a desktop prefers them.
    static const char* const preferred[] = {
        "Noto Sans CJK SC",  "Source Han Sans SC",  "Noto Sans SC",   "WenQuanYi Micro Hei",
        "WenQuanYi Zen Hei", "Droid Sans Fallback", "AR PL UMing CN", "AR PL UKai CN",
    };
    for (const char* family : preferred) {
        for (const QString& installed : chineseFamilies) {
            if (installed.compare(QLatin1String(family), Qt::CaseInsensitive) == 0)
                return installed;
        }
    }
    return chineseFamilies.first();
}

QString useChineseCapableFont() {
    QFont font = QApplication::font();
    const QString family = QFontInfo(font).family();
    const bool hasChinese =
        QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
    const QString chosen =
        cjkFamilyFor(hasChinese, QFontDatabase::families(QFontDatabase::SimplifiedChinese));
    if (chosen.isEmpty()) return {};
    // The default family stays first for Latin text; Chinese comes from the
    // chosen one.
    font.setFamilies({family, chosen});
    QApplication::setFont(font);
    return chosen;
}

}  // namespace qinghe::ui
