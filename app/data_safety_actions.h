#pragma once

#include <QObject>
#include <QTimer>

#include "maintenance/folder_operations.h"

namespace qinghe {
struct AppState;
class MainWindow;
}  // namespace qinghe

namespace qinghe::ui {

// The group "数据安全：" of the settings page: the login password, the
// important-operation password, initialisation, the backup dialog and
// restore; and the periodic backup while the program keeps running.
class DataSafetyActions : public QObject {
    Q_OBJECT

  public:
    static constexpr int kPeriodicCheckInterval = 60 * 60 * 1000;  // hourly

    DataSafetyActions(MainWindow& window, AppState& state);

    // Runs the periodic check now, as the timer would.
    void checkPeriodicBackup();

  private:
    void connectSettingsPage();
    // After a restore or an initialisation: the program ends as on exit.
    void endProgram();

    MainWindow& window_;
    AppState& state_;
    maintenance::PosixFolderOperations folders_;
    QTimer periodic_;
};

}  // namespace qinghe::ui
