#include "app/help_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {

HelpWindow::HelpWindow(const std::filesystem::path& guide, QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new QTextBrowser(this)),
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
