#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <memory>

#include "app/main_window.h"
#include "common/clock.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "config/settings.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "session/app_state.h"
#include "shell/startup.h"
#include "store/file_layer.h"
#include "tests/support/flush_failing_disk.h"
#include "tests/support/scripted_user.h"

namespace qinghe::testing {

// One QApplication for the whole test program, on the offscreen platform
// unless another one is asked for.
inline QApplication& application() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: Qt's own globals (the input devices QTest types on) may
    // already be gone when exit handlers run.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The main window over a temporary run directory with loaded settings, a fixed
// clock (2015-05-12) and scripted answers; the autostart entry goes into the
// temporary folder too.
class GuiTest : public ::testing::Test {
  protected:
    GuiTest() {
        application();
        state_.settings = loadSettings(state_.run, clock_);
        state_.autostart = {folder_ / "autostart", folder_ / "qinghe"};
        window_ = std::make_unique<MainWindow>(state_);
    }

    std::string systemIni(const char* key) {
        return readIniString(folder_ / "setup/system.ini", "setup", key, "<missing>");
    }

    // The end of a start-up that logged in, with a tray to hide in.
    void finishStartUp() {
        StartupResult result;
        result.loggedIn = true;
        window_->setTrayAvailability([] { return true; });
        window_->finishStartUp(result);
    }

    // The ledger list shows its figures once they are read on another thread:
    // waits until no row says "…" any more.
    void waitForLedgerFigures() {
        QAbstractItemModel* model = window_->ledgerPage()->ledgerModel();
        auto pending = [model] {
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->index(row, 3).data().toString() == QStringLiteral("…")) return true;
            }
            return false;
        };
        for (int tries = 0; tries < 500 && pending(); ++tries) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        EXPECT_FALSE(pending());
    }

    void openLedger(const std::string& gbkName) {
        state_.currentLedger.name = gbkName;
        state_.currentLedger.saveTo = "\\data\\ledger.edb";
    }

    TemporaryFolder folder_;
    FlushFailingDisk files_;
    FixedClock clock_{42136.5};
    ScriptedUser user_;
    AppState state_{RunDirectory(folder_.path()), files_, clock_, user_};
    std::unique_ptr<MainWindow> window_;
};

}  // namespace qinghe::testing
