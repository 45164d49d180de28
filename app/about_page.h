#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace qinghe::ui {

// Page 6 "关于".
class AboutPage : public QWidget {
    Q_OBJECT

  public:
    explicit AboutPage(QWidget* parent = nullptr);

    // "访问作者博客" and "访问软件官方网站". This version knows no web address
    // of the makers, so the links are shown disabled and open nothing.
    QLabel* blogLink() const { return blog_; }
    QLabel* websiteLink() const { return website_; }

    // The data folder in use, and the button that opens it in the file
    // manager (the main window wires it).
    void showDataFolder(const QString& folder);
    QLabel* dataFolderLabel() const { return dataFolder_; }
    QPushButton* openDataFolderButton() const { return openDataFolder_; }

  private:
    QLabel* blog_;
    QLabel* website_;
    QLabel* dataFolder_;
    QPushButton* openDataFolder_;
};

}  // namespace qinghe::ui
