#include "config/ui/initial_balance_dialog.h"

#include <QDate>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

}  // namespace

InitialBalanceDialog::InitialBalanceDialog(QWidget* parent, const std::vector<std::string>& initial,
                                           UserInteraction& user, Attempt attempt)
    : FormDialog(parent, user, std::move(attempt)) {
    setFrame(QStringLiteral("设定记账初始日期与初始金额"), 274, 244);
    addLabel(this, QStringLiteral("记账起算时间："), QRect(18, 20, 96, 24));
    const QDate start = QDate::fromString(initialText(initial, 0), kDateFormat);
    startDate_ = new QDateEdit(start.isValid() ? start : QDate::currentDate(), this);
    startDate_->setObjectName(QStringLiteral("startDate"));
    startDate_->setGeometry(117, 20, 135, 24);
    startDate_->setDisplayFormat(kDateFormat);
    startDate_->setCalendarPopup(true);

    addLabel(this, QStringLiteral("初始金额："), QRect(18, 58, 96, 24));
    amount_ = addTextBox(this, QRect(117, 59, 134, 22));
    amount_->setObjectName(QStringLiteral("amount"));
    // A sign, digits and one point; the core reads the number.
    amount_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+]?[0-9]*\\.?[0-9]*")), amount_));
    amount_->setText(initialText(initial, 1));

    addWrappedLabel(this,
                    QStringLiteral("提示：此处仅供您修正记账误差而用，如果您的账目记录没有问题，"
                                   "则不需要调整这里的设定。"),
                    QRect(18, 100, 238, 70));
    connectButtons(addButton(this, QStringLiteral("确定"), QRect(80, 196, 80, 28)),
                   addButton(this, QStringLiteral("取消"), QRect(172, 196, 80, 28)));
}

QStringList InitialBalanceDialog::fieldTexts() const {
    return {startDate_->date().toString(kDateFormat), amount_->text()};
}

}  // namespace qinghe::ui
