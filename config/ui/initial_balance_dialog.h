#pragma once

#include "common/ui/form_dialog.h"

class QDateEdit;
class QLineEdit;

namespace qinghe::ui {

// "设定记账初始日期与初始金额": fields start date (yyyy-mm-dd), amount.
class InitialBalanceDialog : public FormDialog {
    Q_OBJECT

  public:
    InitialBalanceDialog(QWidget* parent, const std::vector<std::string>& initial,
                         UserInteraction& user, Attempt attempt);

  protected:
    QStringList fieldTexts() const override;

  private:
    QDateEdit* startDate_;
    QLineEdit* amount_;
};

}  // namespace qinghe::ui
