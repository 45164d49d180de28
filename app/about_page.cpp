#include "app/about_page.h"

#include <QGroupBox>
#include <QLabel>

#include "common/ui/anchored_layout.h"
#include "common/ui/page_widgets.h"

namespace qinghe::ui {

AboutPage::AboutPage(QWidget* parent) : QWidget(parent) {
    // Drawn as one block, kept in the middle of a larger page.
    new AnchoredLayout(this, QSize(795, 509), anchors::kCentre);
    auto* box = new QGroupBox(this);
    placeWidget(box, QRect(120, 70, 555, 290));
    new AnchoredLayout(box, QSize(555, 290));
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

    auto* data = new QGroupBox(QStringLiteral("数据文件夹"), this);
    placeWidget(data, QRect(120, 375, 555, 100));
    new AnchoredLayout(data, QSize(555, 100));
    dataFolder_ = addWrappedLabel(data, QString(), QRect(16, 24, 523, 34));
    dataFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    openDataFolder_ = addButton(data, QStringLiteral("打开数据文件夹"), QRect(16, 62, 140, 28));
}

void AboutPage::showDataFolder(const QString& folder) {
    dataFolder_->setText(folder);
    dataFolder_->setToolTip(folder);
}

}  // namespace qinghe::ui
