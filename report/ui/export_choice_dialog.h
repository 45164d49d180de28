#pragma once

#include "common/ui/form_dialog.h"

class QCheckBox;

namespace qinghe::ui {

// "选择导出方式": whether the entry's line and its pictures are exported. The
// fields are "1" for a checked box and "0" for a cleared one.
class ExportChoiceDialog : public FormDialog {
    Q_OBJECT

  public:
    ExportChoiceDialog(QWidget* parent, const std::vector<std::string>& initial,
                       UserInteraction& user, Attempt attempt);

    QCheckBox* dataBox() const { return data_; }
    QCheckBox* imagesBox() const { return images_; }

  protected:
    QStringList fieldTexts() const override;

  private:
    QCheckBox* data_;
    QCheckBox* images_;
};

}  // namespace qinghe::ui
