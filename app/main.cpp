#include <QApplication>
#include <QLocale>
#include <cstdlib>

#include "app/cjk_font.h"
#include "app/data_folder_start.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/qt_user_interaction.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "app/ui_texts.h"
#include "common/clock.h"
#include "common/data_folder.h"
#include "common/run_directory.h"
#include "session/app_state.h"
#include "shell/startup.h"
#include "store/file_layer.h"

int main(int argc, char** argv) {
    using namespace qinghe;

    QApplication application(argc, argv);
    // Calendars, standard buttons and Qt's own dialogs speak the program's
    // language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    ui::loadQtTranslations(application);
    // The window may live in the tray with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
    // Chinese must never come out as boxes, whatever the desktop's default font.
    ui::useChineseCapableFont();
    QApplication::setApplicationVersion(QStringLiteral(QINGHE_VERSION));
    // The desktop matches the windows to the menu entry (its icon, its name).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.qinghe.Qinghe"));
    ui::QtUserInteraction user;

    const std::optional<std::filesystem::path> dataDir =
        ui::dataDirArgument(application.arguments());
    const std::optional<DataFolderChoice> data = ui::prepareDataFolder(dataDir, user);
    if (!data) return 1;
    const std::filesystem::path& runDirectory = data->folder;
    user.setDataFolder(runDirectory);
    ui::SingleInstance instance(runDirectory);
    if (!instance.acquire()) {
        user.showMessage(
            {ui::kAlreadyRunning, ui::kNoticeTitle, MessageIcon::Information, MessageButtons::Ok});
        return 0;
    }

    store::PosixFileSystem files;
    SystemClock clock;
    AppState state(RunDirectory(runDirectory), files, clock, user);
    state.cacheFolder = cacheFolderOfThisProcess(state.run.root());
    // A folder the program was told to use is passed on to its autostart entry.
    const bool toldFolder =
        data->source == DataFolderSource::Argument || data->source == DataFolderSource::Environment;
    state.autostart = AutostartPlaces::ofThisProgram(toldFolder ? data->folder : "");
    MainWindow window(state);
    user.setParentWindow(&window);
    bool loggedIn = false;
    // A second start brings forward what this one shows: the login dialog (or
    // any dialog) while one is open, the main window once the user is in.
    instance.onRaiseRequest([&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->raise();
            dialog->activateWindow();
        } else if (loggedIn) {
            window.showFromTray();
        }
    });
    ui::TerminationSignals termination([&] {
        if (loggedIn) {
            window.closeWithoutQuestion();
        } else {
            // Nothing but the user store is open yet; a dialog's own loop is
            // running, so the process ends here, its tables closed.
            closeDown(state);
            std::_Exit(0);
        }
    });

    const StartupResult result = startUp(state);
    if (!result.loggedIn) return 0;
    loggedIn = true;
    window.finishStartUp(result);
    return application.exec();
}
