#pragma once

#include <QString>
#include <optional>
#include <string>

namespace qinghe::ui {

// The core keeps GBK; the GUI converts at its edge.
QString fromGbk(const std::string& gbk);
// Nothing when the text holds characters GBK cannot store (an emoji, say).
std::optional<std::string> toGbk(const QString& text);

}  // namespace qinghe::ui
