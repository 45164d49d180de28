#pragma once

#include <QUrl>
#include <QWidget>
#include <filesystem>

class QTextBrowser;

namespace qinghe::ui {

// The user guide in a window of its own beside the main window: pages in
// HTML with their pictures, links between them, web links in the browser.
class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    HelpWindow(const std::filesystem::path& guide, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }
    // Back to the guide's first page, at its top.
    void showStart();

  private:
    QTextBrowser* browser_;
    QUrl start_;
};

}  // namespace qinghe::ui
