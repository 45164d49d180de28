#pragma once

#include <functional>

#include "common/ui/form_dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace qinghe::ui {

// "备份数据库": fields mode index, days, generations kept. "现在就立即备份！"
// runs the immediate action and leaves the dialog open.
class BackupDialog : public FormDialog {
    Q_OBJECT

  public:
    BackupDialog(QWidget* parent, const std::vector<std::string>& initial,
                 std::function<void()> backUpNow, UserInteraction& user, Attempt attempt);

    QComboBox* modeBox() const { return mode_; }
    QLineEdit* daysBox() const { return days_; }
    QSpinBox* keptBox() const { return kept_; }
    QPushButton* backUpNowButton() const { return backUpNow_; }

  protected:
    QStringList fieldTexts() const override;

  private:
    QComboBox* mode_;
    QLineEdit* days_;
    QSpinBox* kept_;
    QPushButton* backUpNow_;
};

}  // namespace qinghe::ui
