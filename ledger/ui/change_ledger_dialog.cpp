#include "ledger/ui/change_ledger_dialog.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "ledger/ui/password_note.h"
#include "tables/schemas.h"

namespace qinghe::ui {

ChangeLedgerDialog::ChangeLedgerDialog(QWidget* parent, const std::vector<std::string>& initial,
                                       UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("修改账簿信息"), 298, 266);
    auto* box = new QGroupBox(this);
    box->setGeometry(5, 3, 282, 232);
    addLabel(box, QStringLiteral("账簿名称："), QRect(15, 23, 67, 24));
    name_ = addTextBox(box, QRect(79, 26, 171, 20));
    name_->setObjectName(QStringLiteral("name"));
    limitGbkBytes(name_, tables::width::kLedgerName);
    name_->setText(initialText(initial, 0));
    addLabel(box, QStringLiteral("原始密码："), QRect(16, 65, 80, 24));
    oldPassword_ = addTextBox(box, QRect(79, 67, 171, 20), Echo::Password);
    oldPassword_->setObjectName(QStringLiteral("oldPassword"));
    oldPassword_->setText(initialText(initial, 1));
    addLabel(box, QStringLiteral("新的密码："), QRect(16, 107, 80, 24));
    newPassword_ = addTextBox(box, QRect(79, 109, 171, 20), Echo::Password);
    newPassword_->setObjectName(QStringLiteral("newPassword"));
    limitGbkBytes(newPassword_, tables::width::kPassword);
    newPassword_->setText(initialText(initial, 2));
    addPasswordNote(box, QRect(79, 141, 171, 46));
    connectButtons(addButton(box, QStringLiteral("保存"), QRect(89, 189, 104, 24)),
                   addButton(box, QStringLiteral("取消"), QRect(220, 189, 48, 24)));
}

QStringList ChangeLedgerDialog::fieldTexts() const {
    return {name_->text(), oldPassword_->text(), newPassword_->text()};
}

}  // namespace qinghe::ui
