#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;

namespace qinghe {
class UserInteraction;
}

namespace qinghe::ui {

// "密码验证": every "确定" hands the typed text to the check, which decides
// whether the dialog closes; a refused text stays selected, so that the next
// try replaces it.
class PasswordDialog : public QDialog {
    Q_OBJECT

  public:
    PasswordDialog(QWidget* parent, const QString& note, UserInteraction& user,
                   std::function<bool(const std::string&)> attempt);

    QLineEdit* passwordBox() const { return password_; }

  private:
    void confirm();

    QLineEdit* password_;
    UserInteraction& user_;
    std::function<bool(const std::string&)> attempt_;
};

}  // namespace qinghe::ui
