#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace qinghe::ui {

// Page 6 "关于". No web address of the makers is known, so it offers no
// links to their pages.
class AboutPage : public QWidget {
    Q_OBJECT

  public:
    explicit AboutPage(QWidget* parent = nullptr);

    // The data folder in use, and the button that opens it in the file
    // manager (the main window wires it).
    void showDataFolder(const QString& folder);
    QLabel* dataFolderLabel() const { return dataFolder_; }
    QPushButton* openDataFolderButton() const { return openDataFolder_; }

  private:
    QLabel* dataFolder_;
    QPushButton* openDataFolder_;
};

}  // namespace qinghe::ui
