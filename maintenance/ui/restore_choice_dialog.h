#pragma once

#include "common/ui/form_dialog.h"

class QTableWidget;

namespace qinghe::ui {

// "选择要还原的备份": one row per backup generation (date, ledgers, size);
// `initial` is the index of the row selected as it opens, then the rows. The
// field is the chosen row's index. A double-click on a row chooses it.
class RestoreChoiceDialog : public FormDialog {
    Q_OBJECT

  public:
    RestoreChoiceDialog(QWidget* parent, const std::vector<std::string>& initial,
                        UserInteraction& user, Attempt attempt);

    QTableWidget* list() const { return list_; }

  protected:
    QStringList fieldTexts() const override;

  private:
    QTableWidget* list_;
};

}  // namespace qinghe::ui
