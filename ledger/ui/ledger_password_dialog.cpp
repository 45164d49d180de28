#include "ledger/ui/ledger_password_dialog.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {

LedgerPasswordDialog::LedgerPasswordDialog(QWidget* parent, const std::vector<std::string>& initial,
                                           UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("校验访问密码"), 369, 271);
    addPicture(this, "lock", QRect(16, 9, 48, 48));
    addLabel(this, QStringLiteral("该账簿已加密，请输入密码！"), QRect(83, 20, 258, 24));
    auto* box = new QGroupBox(QStringLiteral("请输入密码："), this);
    box->setGeometry(25, 75, 315, 97);
    password_ = addTextBox(box, QRect(13, 33, 289, 32), Echo::Password);
    password_->setObjectName(QStringLiteral("password"));
    password_->setText(initialText(initial, 0));
    connectButtons(addButton(this, QStringLiteral("确定"), QRect(165, 188, 80, 32)),
                   addButton(this, QStringLiteral("取消"), QRect(269, 188, 80, 32)));
}

QStringList LedgerPasswordDialog::fieldTexts() const {
    return {password_->text()};
}

void LedgerPasswordDialog::showEvent(QShowEvent* event) {
    FormDialog::showEvent(event);
    // The user came to type the password.
    password_->setFocus();
}

}  // namespace qinghe::ui
