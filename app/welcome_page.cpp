#include "app/welcome_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"

namespace qinghe::ui {

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
    // Drawn as one block, kept in the middle of a larger page; the version
    // stays in the corner.
    new AnchoredLayout(this, QSize(795, 509), anchors::kCentre);
    addPicture(this, "welcome", QRect(110, 56, 128, 128));

    auto* greeting = addLabel(this, QStringLiteral("欢迎使用\n\n青禾 家庭流水记账软件"),
                              QRect(270, 66, 440, 110));
    QFont large = greeting->font();
    large.setPixelSize(22);
    large.setBold(true);
    greeting->setFont(large);

    auto* firstUse = new QGroupBox(QStringLiteral("如果您是第一次使用"), this);
    placeWidget(firstUse, QRect(270, 200, 304, 170));
    new AnchoredLayout(firstUse, QSize(304, 170));
    help_ = new QPushButton(QStringLiteral("查看帮助文件，了解如何使用！"), firstUse);
    placeWidget(help_, QRect(20, 30, 264, 32));
    settings_ = new QPushButton(QStringLiteral("调整、设置系统运行参数！"), firstUse);
    placeWidget(settings_, QRect(20, 76, 264, 32));
    start_ = new QPushButton(QStringLiteral("开始使用软件！"), firstUse);
    placeWidget(start_, QRect(20, 122, 264, 32));

    hideWelcome_ = new QCheckBox(QStringLiteral("以后不再显示欢迎页面"), this);
    placeWidget(hideWelcome_, QRect(272, 384, 300, 24));

    auto* version = addLabel(this, QStringLiteral("当前版本：v1.4.450.106\nLinux 版（Qt 6）"),
                             QRect(545, 456, 236, 40));
    version->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    anchorWidget(version, anchors::kBottomRight);
}

}  // namespace qinghe::ui
