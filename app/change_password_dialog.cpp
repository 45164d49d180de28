#include "app/change_password_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "tables/schemas.h"

namespace qinghe::ui {

ChangePasswordDialog::ChangePasswordDialog(QWidget* parent, UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("修改登录密码"), 318, 236);
    auto* box = new QGroupBox(this);
    box->setGeometry(8, 4, 302, 186);
    const struct {
        QString label;
        QLineEdit** edit;
        const char* name;
    } rows[] = {
        {QStringLiteral("原密码："), &oldPassword_, "oldPassword"},
        {QStringLiteral("新密码："), &newPassword_, "newPassword"},
        {QStringLiteral("确认新密码："), &repeated_, "repeatedPassword"},
    };
    int y = 22;
    for (const auto& row : rows) {
        addLabel(box, row.label, QRect(14, y, 90, 24));
        *row.edit = addTextBox(box, QRect(104, y + 1, 180, 22), Echo::Password);
        (*row.edit)->setObjectName(QLatin1String(row.name));
        y += 38;
    }
    // The user store keeps 20 bytes; the box takes no more.
    limitGbkBytes(newPassword_, tables::width::kPassword);
    limitGbkBytes(repeated_, tables::width::kPassword);
    addWrappedLabel(box,
                    QStringLiteral("新密码为空时，启动软件和解锁将不再需要密码。"
                                   "请牢记新密码，忘记后将无法使用本软件！"),
                    QRect(14, 136, 274, 44));
    connectButtons(addButton(this, QStringLiteral("确定"), QRect(138, 200, 80, 26)),
                   addButton(this, QStringLiteral("取消"), QRect(228, 200, 80, 26)));
}

QStringList ChangePasswordDialog::fieldTexts() const {
    return {oldPassword_->text(), newPassword_->text(), repeated_->text()};
}

}  // namespace qinghe::ui
