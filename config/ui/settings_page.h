#pragma once

#include <QWidget>

#include "config/settings_actions.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qinghe {
struct AppState;
}

namespace qinghe::ui {

// Page 5 "系统设置". Every setting control runs its flow of the core at once;
// the buttons of the dialogs (password, initialisation, backup, lists, initial
// amount) are laid out here and connected by their own features.
class SettingsPage : public QWidget {
    Q_OBJECT

  public:
    explicit SettingsPage(AppState& state, QWidget* parent = nullptr);

    // Shows the values in memory without writing anything.
    void showStoredSettings();
    // What the page's flows work on, those of the buttons other features
    // connect included.
    SettingsPageContext context() const;

    QPushButton* changePasswordButton() const { return changePassword_; }
    QCheckBox* needPasswordBox() const { return needPassword_; }
    QPushButton* initialiseButton() const { return initialise_; }
    QPushButton* backupButton() const { return backup_; }
    QPushButton* restoreButton() const { return restore_; }
    QPushButton* itemsButton() const { return items_; }
    QPushButton* membersButton() const { return members_; }
    QPushButton* initialAmountButton() const { return initialAmount_; }
    QCheckBox* visualGuidanceBox() const { return visualGuidance_; }
    QCheckBox* startWithComputerBox() const { return startWithComputer_; }
    QCheckBox* startInBackgroundBox() const { return startInBackground_; }
    QCheckBox* idleLockBox() const { return idleLock_; }
    QLineEdit* idleMinutesEdit() const { return idleMinutes_; }
    QPushButton* shortcutsButton() const { return shortcuts_; }
    QPushButton* restoreDefaultsButton() const { return restoreDefaults_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }

  signals:
    // "取消": back to the welcome page; nothing is undone, every control has
    // already stored its value.
    void cancelled();

  private:
    void connectSwitch(QCheckBox* box, SettingSwitch which);

    AppState& state_;

    QPushButton* changePassword_;
    QCheckBox* needPassword_;
    QPushButton* initialise_;
    QPushButton* backup_;
    QPushButton* restore_;
    QPushButton* items_;
    QPushButton* members_;
    QPushButton* initialAmount_;
    QCheckBox* visualGuidance_;
    QCheckBox* startWithComputer_;
    QCheckBox* startInBackground_;
    QCheckBox* idleLock_;
    QLineEdit* idleMinutes_;
    QPushButton* shortcuts_;
    QPushButton* restoreDefaults_;
    QPushButton* save_;
    QPushButton* cancel_;
};

}  // namespace qinghe::ui
