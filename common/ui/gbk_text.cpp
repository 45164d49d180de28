#include "common/ui/gbk_text.h"

#include <QLineEdit>

#include "common/gbk.h"

namespace qinghe::ui {

QString fromGbk(const std::string& gbk) {
    return QString::fromStdString(gbkToUtf8Lossy(gbk));
}

std::optional<std::string> toGbk(const QString& text) {
    return utf8ToGbk(text.toStdString());
}

QValidator::State GbkByteLimit::validate(QString& input, int&) const {
    const auto gbk = toGbk(input);
    if (gbk && gbk->size() > static_cast<std::size_t>(bytes_)) return Invalid;
    return Acceptable;
}

void limitGbkBytes(QLineEdit* edit, int bytes) {
    edit->setValidator(new GbkByteLimit(bytes, edit));
}

}  // namespace qinghe::ui
