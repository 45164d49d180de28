#include "maintenance/ui/backup_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include "common/ui/page_widgets.h"
#include "config/settings.h"

namespace qinghe::ui {

BackupDialog::BackupDialog(QWidget* parent, const std::vector<std::string>& initial,
                           std::function<void()> backUpNow, UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("备份数据库"), 380, 250);
    auto* box = new QGroupBox(this);
    box->setGeometry(8, 4, 364, 202);

    addLabel(box, QStringLiteral("备份方式："), QRect(18, 22, 72, 24));
    mode_ = new QComboBox(box);
    mode_->setObjectName(QStringLiteral("mode"));
    mode_->setGeometry(94, 22, 170, 24);
    mode_->addItems({QStringLiteral("定期自动备份"), QStringLiteral("每次启动时备份"),
                     QStringLiteral("每次退出时备份"), QStringLiteral("手动备份")});
    mode_->setCurrentIndex(std::clamp(initialText(initial, 0).toInt(), 0, mode_->count() - 1));

    addLabel(box, QStringLiteral("备份周期："), QRect(18, 60, 72, 24));
    addLabel(box, QStringLiteral("每隔"), QRect(94, 60, 30, 24));
    days_ = addTextBox(box, QRect(126, 61, 60, 22));
    days_->setObjectName(QStringLiteral("days"));
    days_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), days_));
    days_->setText(initialText(initial, 1));
    addLabel(box, QStringLiteral("天自动备份一次。"), QRect(192, 60, 150, 24));

    addLabel(box, QStringLiteral("保留备份："), QRect(18, 98, 72, 24));
    addLabel(box, QStringLiteral("最近"), QRect(94, 98, 30, 24));
    kept_ = new QSpinBox(box);
    kept_->setObjectName(QStringLiteral("kept"));
    kept_->setGeometry(126, 98, 60, 24);
    kept_->setRange(kFewestBackupsKept, kMostBackupsKept);
    kept_->setValue(initialText(initial, 2).toInt());
    addLabel(box, QStringLiteral("份，更早的自动删除。"), QRect(192, 98, 160, 24));

    backUpNow_ = addButton(box, QStringLiteral("现在就立即备份！"), QRect(66, 150, 232, 24));
    connect(backUpNow_, &QPushButton::clicked, this, [backUpNow = std::move(backUpNow)] {
        if (backUpNow) backUpNow();
    });
    connectButtons(addButton(this, QStringLiteral("确定"), QRect(196, 216, 80, 24)),
                   addButton(this, QStringLiteral("取消"), QRect(288, 216, 80, 24)));
}

QStringList BackupDialog::fieldTexts() const {
    return {QString::number(mode_->currentIndex()), days_->text(), QString::number(kept_->value())};
}

}  // namespace qinghe::ui
