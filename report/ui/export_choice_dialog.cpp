#include "report/ui/export_choice_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {

namespace {

QCheckBox* addCheckBox(QWidget* parent, const QString& text, const QRect& geometry,
                       const QString& initial) {
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(geometry);
    // Checked unless the form is told otherwise.
    box->setChecked(initial != QStringLiteral("0"));
    return box;
}

}  // namespace

ExportChoiceDialog::ExportChoiceDialog(QWidget* parent, const std::vector<std::string>& initial,
                                       UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("选择导出方式"), 324, 181);
    data_ = addCheckBox(this, QStringLiteral("导出账目数据"), QRect(24, 24, 152, 24),
                        initialText(initial, 0));
    images_ = addCheckBox(this, QStringLiteral("导出凭证图片"), QRect(24, 58, 152, 24),
                          initialText(initial, 1));
    connectButtons(addButton(this, QStringLiteral("确定"), QRect(131, 122, 80, 24)),
                   addButton(this, QStringLiteral("取消"), QRect(227, 122, 80, 24)));
}

QStringList ExportChoiceDialog::fieldTexts() const {
    auto state = [](const QCheckBox* box) {
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    };
    return {state(data_), state(images_)};
}

}  // namespace qinghe::ui
