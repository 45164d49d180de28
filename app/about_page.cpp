#include "app/about_page.h"

#include <QGroupBox>
#include <QLabel>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {
namespace {

QLabel* addUnavailableLink(QWidget* parent, const QString& text, const QRect& geometry) {
    QLabel* link = addLabel(parent, text, geometry);
    QFont underlined = link->font();
    underlined.setUnderline(true);
    link->setFont(underlined);
    link->setEnabled(false);
    link->setToolTip(QStringLiteral("暂无可访问的网址"));
    return link;
}

}  // namespace

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
    auto* box = new QGroupBox(this);
    box->setGeometry(120, 70, 555, 290);
    addPicture(box, "welcome", QRect(32, 36, 64, 64));

    QLabel* title =
        addLabel(box, QStringLiteral("青禾 家庭流水记账软件 2015"), QRect(120, 40, 400, 30));
    QFont large = title->font();
    large.setPixelSize(18);
    large.setBold(true);
    title->setFont(large);

    QLabel* notice = addLabel(box,
                              QStringLiteral("方便好用的家庭账目管理软件！\n\n"
                                             "本程序是青禾 家庭流水记账软件的 Linux 版本，"
                                             "软件及其名称的一切权利归其作者所有。"),
                              QRect(120, 84, 400, 110));
    notice->setWordWrap(true);
    notice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    blog_ = addUnavailableLink(box, QStringLiteral("访问作者博客"), QRect(120, 224, 120, 24));
    website_ =
        addUnavailableLink(box, QStringLiteral("访问软件官方网站"), QRect(260, 224, 160, 24));

    auto* data = new QGroupBox(QStringLiteral("数据文件夹"), this);
    data->setGeometry(120, 375, 555, 100);
    dataFolder_ = addWrappedLabel(data, QString(), QRect(16, 24, 523, 34));
    dataFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    openDataFolder_ = addButton(data, QStringLiteral("打开数据文件夹"), QRect(16, 62, 140, 28));
}

void AboutPage::showDataFolder(const QString& folder) {
    dataFolder_->setText(folder);
    dataFolder_->setToolTip(folder);
}

}  // namespace qinghe::ui
