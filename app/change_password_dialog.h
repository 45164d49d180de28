#pragma once

#include "common/ui/form_dialog.h"

class QLineEdit;

namespace qinghe::ui {

// "修改登录密码": fields old password, new password, new password again.
class ChangePasswordDialog : public FormDialog {
    Q_OBJECT

  public:
    ChangePasswordDialog(QWidget* parent, UserInteraction& user, Attempt attempt);

  protected:
    QStringList fieldTexts() const override;

  private:
    QLineEdit* oldPassword_;
    QLineEdit* newPassword_;
    QLineEdit* repeated_;
};

}  // namespace qinghe::ui
