#include "app/ui/gbk_text.h"

#include "common/gbk.h"

namespace qinghe::ui {

QString fromGbk(const std::string& gbk) { return QString::fromStdString(gbkToUtf8Lossy(gbk)); }

std::optional<std::string> toGbk(const QString& text) {
    return utf8ToGbk(text.toStdString());
}

}  // namespace qinghe::ui
