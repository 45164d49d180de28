#pragma once

#include <QUrl>
#include <QWidget>
#include <filesystem>

#include <QImage>
#include <QTextBrowser>

namespace qinghe::ui {

// A picture of the guide as it is drawn `logicalWidth` pixels wide (its width
// in the page; 0: its own) on a screen of `devicePixelRatio`: scaled smoothly to
// the screen's own pixels, so that it is sharp on a HiDPI screen and not
// coarsely thinned out when shown smaller than it is.
QImage guidePicture(const QImage& picture, int logicalWidth, qreal devicePixelRatio);

// The guide's pages, their pictures drawn by guidePicture.
class GuideBrowser : public QTextBrowser {
    Q_OBJECT

  public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override;

  private:
    // The width the page gives the picture `name`; 0 when it gives none.
    int pictureWidth(const QUrl& name) const;
};

// The user guide in a window of its own beside the main window: pages in
// HTML with their pictures, links between them, web links in the browser.
class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    HelpWindow(const std::filesystem::path& guide, QWidget* parent = nullptr);

    GuideBrowser* browser() const { return browser_; }
    // Back to the guide's first page, at its top.
    void showStart();

  private:
    GuideBrowser* browser_;
    QUrl start_;
};

}  // namespace qinghe::ui
