#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

namespace qinghe::ui {

// Page 0 "欢迎": what a first-time user sees, with the three ways on.
class WelcomePage : public QWidget {
    Q_OBJECT

  public:
    explicit WelcomePage(QWidget* parent = nullptr);

    QPushButton* helpButton() const { return help_; }
    QPushButton* settingsButton() const { return settings_; }
    QPushButton* startButton() const { return start_; }
    QCheckBox* hideWelcomeBox() const { return hideWelcome_; }

  private:
    QPushButton* help_;
    QPushButton* settings_;
    QPushButton* start_;
    QCheckBox* hideWelcome_;
};

}  // namespace qinghe::ui
