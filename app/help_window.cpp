#include "app/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <QVBoxLayout>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {

QImage guidePicture(const QImage& picture, int logicalWidth, qreal devicePixelRatio) {
    if (picture.isNull() || devicePixelRatio <= 0) return picture;
    const int width = logicalWidth > 0 ? logicalWidth : picture.width();
    const int pixels = qRound(width * devicePixelRatio);
    QImage drawn = pixels == picture.width()
                       ? picture
                       : picture.scaledToWidth(pixels, Qt::SmoothTransformation);
    drawn.setDevicePixelRatio(devicePixelRatio);
    return drawn;
}

QVariant GuideBrowser::loadResource(int type, const QUrl& name) {
    QVariant loaded = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::ImageResource || !loaded.isValid()) return loaded;
    QImage picture;
    if (loaded.canConvert<QImage>() && loaded.typeId() != QMetaType::QByteArray) {
        picture = loaded.value<QImage>();
    } else {
        picture.loadFromData(loaded.toByteArray());
    }
    if (picture.isNull()) return loaded;
    return guidePicture(picture, pictureWidth(name), devicePixelRatioF());
}

int GuideBrowser::pictureWidth(const QUrl& name) const {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.isImageFormat()) continue;
            const QTextImageFormat image = format.toImageFormat();
            if (image.name() == name.toString() && image.width() > 0) return qRound(image.width());
        }
    }
    return 0;
}

HelpWindow::HelpWindow(const std::filesystem::path& guide, QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new GuideBrowser(this)),
      start_(QUrl::fromLocalFile(QString::fromStdString(guide.string()))) {
    setWindowTitle(QStringLiteral("帮助 - 青禾 家庭流水记账软件"));
    setWindowIcon(programIcon("welcome"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    browser_->setOpenExternalLinks(true);
    browser_->setOpenLinks(true);

    auto* back = new QPushButton(QStringLiteral("后退"), this);
    auto* home = new QPushButton(QStringLiteral("目录"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    back->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(home, &QPushButton::clicked, this, &HelpWindow::showStart);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(home);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addLayout(buttons);
    resize(760, 600);
    browser_->setSource(start_);
}

void HelpWindow::showStart() {
    if (browser_->source() != start_) browser_->setSource(start_);
    browser_->verticalScrollBar()->setValue(0);
}

}  // namespace qinghe::ui
