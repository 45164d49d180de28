#include "app/password_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/ui_texts.h"
#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/user_interaction.h"

namespace qinghe::ui {

PasswordDialog::PasswordDialog(QWidget* parent, const QString& note, UserInteraction& user,
                               std::function<bool(const std::string&)> attempt)
    : QDialog(parent), user_(user), attempt_(std::move(attempt)) {
    setWindowTitle(QStringLiteral("密码验证"));
    setModal(true);
    setFixedSize(369, 271);

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(48, 48));
    picture->setFixedSize(48, 48);
    auto* prompt = new QLabel(QStringLiteral("正在进行的操作需要校验您的密码！"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(prompt, 1);

    auto* group = new QGroupBox(QStringLiteral("请输入密码："), this);
    password_ = new QLineEdit(group);
    password_->setEchoMode(QLineEdit::Password);
    password_->setFixedSize(289, 32);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(password_, 0, Qt::AlignCenter);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok->setFixedSize(80, 32);
    cancel->setFixedSize(80, 32);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    if (!note.isEmpty()) {
        auto* noteLabel = new QLabel(note, this);
        noteLabel->setWordWrap(true);
        noteLabel->setObjectName(QStringLiteral("passwordNote"));
        layout->addWidget(noteLabel);
    }
    layout->addWidget(group);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &PasswordDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    password_->setFocus();
}

void PasswordDialog::confirm() {
    auto typed = toGbk(password_->text());
    if (!typed) {
        showError(user_, texts::kUnstorableText);
    } else if (attempt_(*typed)) {
        accept();
        return;
    }
    // Refused: the next try is typed over it, never onto its end.
    password_->setFocus();
    password_->selectAll();
}

}  // namespace qinghe::ui
