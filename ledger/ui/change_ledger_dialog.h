#pragma once

#include "common/ui/form_dialog.h"

class QLineEdit;

namespace qinghe::ui {

// "修改账簿信息": fields name, old password, new password.
class ChangeLedgerDialog : public FormDialog {
    Q_OBJECT

  public:
    ChangeLedgerDialog(QWidget* parent, const std::vector<std::string>& initial,
                       UserInteraction& user, Attempt attempt);

  protected:
    QStringList fieldTexts() const override;

  private:
    QLineEdit* name_;
    QLineEdit* oldPassword_;
    QLineEdit* newPassword_;
};

}  // namespace qinghe::ui
