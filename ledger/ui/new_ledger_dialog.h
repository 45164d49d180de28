#pragma once

#include "common/ui/form_dialog.h"

class QLineEdit;

namespace qinghe::ui {

// "添加一个新账簿": fields name, access password.
class NewLedgerDialog : public FormDialog {
    Q_OBJECT

  public:
    NewLedgerDialog(QWidget* parent, const std::vector<std::string>& initial, UserInteraction& user,
                    Attempt attempt);

  protected:
    QStringList fieldTexts() const override;

  private:
    QLineEdit* name_;
    QLineEdit* password_;
};

}  // namespace qinghe::ui
