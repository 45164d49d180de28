#pragma once

#include <QString>
#include <QValidator>
#include <optional>
#include <string>

class QLineEdit;

namespace qinghe::ui {

// The core keeps GBK; the GUI converts at its edge.
QString fromGbk(const std::string& gbk);
// Nothing when the text holds characters GBK cannot store (an emoji, say).
std::optional<std::string> toGbk(const QString& text);

// Lets no more be typed into a box than a stored field keeps, counted in GBK
// bytes, so nothing typed is cut when it is stored. Text GBK cannot hold is let
// through: the form refuses it with its own message.
class GbkByteLimit final : public QValidator {
  public:
    GbkByteLimit(int bytes, QObject* parent) : QValidator(parent), bytes_(bytes) {}
    State validate(QString& input, int& position) const override;

  private:
    int bytes_;
};

// Sets a GbkByteLimit on a line edit.
void limitGbkBytes(QLineEdit* edit, int bytes);

}  // namespace qinghe::ui
