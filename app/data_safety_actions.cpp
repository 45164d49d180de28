#include "app/data_safety_actions.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/main_window.h"
#include "config/ui/settings_page.h"
#include "maintenance/maintenance_actions.h"
#include "maintenance/maintenance_texts.h"
#include "session/app_state.h"
#include "session/password_settings.h"

namespace qinghe::ui {

DataSafetyActions::DataSafetyActions(MainWindow& window, AppState& state)
    : QObject(&window), window_(window), state_(state) {
    connectSettingsPage();
    periodic_.setInterval(kPeriodicCheckInterval);
    connect(&periodic_, &QTimer::timeout, this, &DataSafetyActions::checkPeriodicBackup);
    periodic_.start();
}

void DataSafetyActions::connectSettingsPage() {
    SettingsPage* page = window_.settingsPage();
    connect(page->changePasswordButton(), &QPushButton::clicked, this,
            [this] { changeLoginPassword(state_); });
    connect(page->needPasswordBox(), &QCheckBox::toggled, this, [this, page](bool ticked) {
        const bool shown = changeNeedPassword(state_, ticked);
        if (shown == ticked) return;
        // Refused: the box goes back without running this handler again.
        QSignalBlocker quiet(page->needPasswordBox());
        page->needPasswordBox()->setChecked(shown);
    });
    connect(page->backupButton(), &QPushButton::clicked, this,
            [this] { maintenance::runBackupDialog(state_, folders_); });
    connect(page->restoreButton(), &QPushButton::clicked, this, [this] {
        if (maintenance::restoreBackup(state_, folders_)) endProgram();
    });
    // The reset ends the program itself, at once, as a failed login does.
    connect(page->restoreDefaultsButton(), &QPushButton::clicked, this,
            [this] { static_cast<void>(maintenance::resetSettings(state_, folders_)); });
    connect(page->initialiseButton(), &QPushButton::clicked, this, [this] {
        if (maintenance::initialiseDatabase(state_, folders_)) endProgram();
    });
}

void DataSafetyActions::checkPeriodicBackup() {
    // Not in the middle of another handler (see the idle lock).
    if (QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return;
    if (!maintenance::periodicBackupDue(state_.settings, state_.clock.today())) return;
    // A failure is told; the next check tries again, the earlier generations whole.
    static_cast<void>(maintenance::backUpAt(state_, folders_, maintenance::BackupMoment::Periodic));
}

void DataSafetyActions::endProgram() {
    window_.closeWithoutQuestion();
}

}  // namespace qinghe::ui
