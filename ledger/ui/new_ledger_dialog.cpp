#include "ledger/ui/new_ledger_dialog.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/gbk_text.h"
#include "common/ui/page_widgets.h"
#include "ledger/ui/password_note.h"
#include "tables/schemas.h"

namespace qinghe::ui {

NewLedgerDialog::NewLedgerDialog(QWidget* parent, const std::vector<std::string>& initial,
                                 UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("添加一个新账簿"), 298, 266);
    auto* box = new QGroupBox(this);
    box->setGeometry(6, 3, 282, 232);
    addLabel(box, QStringLiteral("账簿名称："), QRect(15, 23, 67, 24));
    name_ = addTextBox(box, QRect(79, 26, 171, 20));
    name_->setObjectName(QStringLiteral("name"));
    limitGbkBytes(name_, tables::width::kLedgerName);
    name_->setText(initialText(initial, 0));
    addLabel(box, QStringLiteral("访问密码："), QRect(16, 66, 80, 24));
    password_ = addTextBox(box, QRect(79, 68, 171, 20), Echo::Password);
    password_->setObjectName(QStringLiteral("password"));
    limitGbkBytes(password_, tables::width::kPassword);
    password_->setText(initialText(initial, 1));
    addPasswordNote(box, QRect(79, 100, 171, 46));
    connectButtons(addButton(box, QStringLiteral("创建！"), QRect(89, 189, 104, 24)),
                   addButton(box, QStringLiteral("取消"), QRect(220, 189, 48, 24)));
}

QStringList NewLedgerDialog::fieldTexts() const {
    return {name_->text(), password_->text()};
}

}  // namespace qinghe::ui
