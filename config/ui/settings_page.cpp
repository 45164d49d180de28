#include "config/ui/settings_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"
#include "config/settings_actions.h"
#include "session/app_state.h"

namespace qinghe::ui {
namespace {

QCheckBox* addCheckBox(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* box = new QCheckBox(text, parent);
    placeWidget(box, geometry);
    return box;
}

}  // namespace

SettingsPage::SettingsPage(AppState& state, QWidget* parent) : QWidget(parent), state_(state) {
    // A larger page: the three boxes share the width and take the height.
    new AnchoredLayout(this, QSize(795, 509));
    addPicture(this, "settings", QRect(16, 14, 48, 48));
    addHint(this,
            QStringLiteral("调整软件的设置选项以便能够适应您的实际情况，如果某个项目您不确定如何"
                           "设置，建议保持默认，通常默认的设置是最佳的！"));

    auto* security = new QGroupBox(QStringLiteral("数据安全："), this);
    placeWidget(security, QRect(12, 62, 236, 401));
    anchorWidget(security, {0, 0, 1.0 / 3, 1});
    new AnchoredLayout(security, QSize(236, 401), anchors::kStay);
    auto* password = new QGroupBox(security);
    placeWidget(password, QRect(12, 28, 212, 104));
    anchorWidget(password, anchors::kFillWidth);
    new AnchoredLayout(password, QSize(212, 104));
    changePassword_ =
        addButton(password, QStringLiteral("修改登录密码..."), QRect(16, 18, 180, 32));
    needPassword_ =
        addCheckBox(password, QStringLiteral("重要操作需要校验密码"), QRect(16, 64, 190, 24));
    auto* database = new QGroupBox(security);
    placeWidget(database, QRect(12, 146, 212, 164));
    anchorWidget(database, anchors::kFillWidth);
    new AnchoredLayout(database, QSize(212, 164));
    initialise_ = addButton(database, QStringLiteral("初始化数据库..."), QRect(16, 18, 180, 32));
    backup_ = addButton(database, QStringLiteral("数据库备份..."), QRect(16, 66, 180, 32));
    restore_ = addButton(database, QStringLiteral("数据库还原..."), QRect(16, 114, 180, 32));

    auto* personal = new QGroupBox(QStringLiteral("个性化："), this);
    placeWidget(personal, QRect(279, 62, 236, 401));
    anchorWidget(personal, {1.0 / 3, 0, 1.0 / 3, 1});
    new AnchoredLayout(personal, QSize(236, 401));
    items_ = addButton(personal, QStringLiteral("收支项目设定..."), QRect(18, 40, 200, 32));
    members_ = addButton(personal, QStringLiteral("家庭成员设定..."), QRect(18, 88, 200, 32));
    initialAmount_ =
        addButton(personal, QStringLiteral("初始记账日期及金额设定..."), QRect(18, 136, 200, 32));

    auto* other = new QGroupBox(QStringLiteral("其他："), this);
    placeWidget(other, QRect(546, 62, 236, 401));
    anchorWidget(other, {2.0 / 3, 0, 1.0 / 3, 1});
    new AnchoredLayout(other, QSize(236, 401));
    visualGuidance_ =
        addCheckBox(other, QStringLiteral("启用视觉使用指导"), QRect(18, 36, 200, 24));
    startWithComputer_ = addCheckBox(other, QStringLiteral("开机自启动"), QRect(18, 68, 200, 24));
    startInBackground_ =
        addCheckBox(other, QStringLiteral("启动后切换到后台"), QRect(18, 100, 200, 24));
    idleLock_ =
        addCheckBox(other, QStringLiteral("空闲一段时间后自动锁定"), QRect(18, 132, 200, 24));
    addLabel(other, QStringLiteral("空闲时长："), QRect(38, 166, 64, 24));
    idleMinutes_ = new QLineEdit(other);
    placeWidget(idleMinutes_, QRect(102, 166, 39, 24));
    // Whole minutes; a sign is let through because the magnitude is what counts.
    idleMinutes_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this));
    addLabel(other, QStringLiteral("分钟。"), QRect(146, 166, 60, 24));
    shortcuts_ = addButton(other, QStringLiteral("查看快捷键列表..."), QRect(18, 350, 200, 32));
    anchorWidget(shortcuts_, anchors::kBottom);

    restoreDefaults_ = addButton(this, QStringLiteral("还原默认设定..."), QRect(12, 472, 130, 30));
    save_ = addButton(this, QStringLiteral("保存设置"), QRect(580, 472, 96, 30));
    cancel_ = addButton(this, QStringLiteral("取消"), QRect(686, 472, 96, 30));
    anchorWidget(restoreDefaults_, anchors::kBottom);
    anchorWidget(save_, anchors::kBottomRight);
    anchorWidget(cancel_, anchors::kBottomRight);

    connectSwitch(visualGuidance_, SettingSwitch::VisualGuidance);
    connectSwitch(startWithComputer_, SettingSwitch::StartWithComputer);
    connectSwitch(startInBackground_, SettingSwitch::StartInBackground);
    connectSwitch(idleLock_, SettingSwitch::IdleLock);
    connect(idleMinutes_, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The validator lets only ASCII through.
        changeIdleMinutes(context(), text.toLatin1().toStdString());
    });
    connect(save_, &QPushButton::clicked, this, [this] { saveAllSettings(context()); });
    connect(cancel_, &QPushButton::clicked, this, &SettingsPage::cancelled);
}

void SettingsPage::connectSwitch(QCheckBox* box, SettingSwitch which) {
    connect(box, &QCheckBox::toggled, this,
            [this, which](bool ticked) { changeSettingSwitch(context(), which, ticked); });
}

SettingsPageContext SettingsPage::context() const {
    return {state_.run, state_.settings, state_.user, state_.autostart};
}

void SettingsPage::showStoredSettings() {
    const Settings& settings = state_.settings;
    const struct {
        QCheckBox* box;
        bool ticked;
    } boxes[] = {
        {needPassword_, state_.needPass},
        {visualGuidance_, settings.visualGuidance},
        {startWithComputer_, settings.startWithComputer},
        {startInBackground_, settings.startInBackground},
        {idleLock_, settings.idleLock},
    };
    for (const auto& [box, ticked] : boxes) {
        QSignalBlocker quiet(box);
        box->setChecked(ticked);
    }
    QSignalBlocker quiet(idleMinutes_);
    idleMinutes_->setText(QString::number(settings.idleMinutes));
}

}  // namespace qinghe::ui
