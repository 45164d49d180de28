#pragma once

#include "common/ui/form_dialog.h"

class QLineEdit;

namespace qinghe::ui {

// "校验访问密码": the one field is the typed access password.
class LedgerPasswordDialog : public FormDialog {
    Q_OBJECT

  public:
    LedgerPasswordDialog(QWidget* parent, const std::vector<std::string>& initial,
                         UserInteraction& user, Attempt attempt);

  protected:
    QStringList fieldTexts() const override;
    void showEvent(QShowEvent* event) override;

  private:
    QLineEdit* password_;
};

}  // namespace qinghe::ui
