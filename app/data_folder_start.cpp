#include "app/data_folder_start.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <utility>

#include "app/ui_texts.h"
#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/user_interaction.h"

namespace qinghe::ui {

std::optional<std::filesystem::path> dataDirArgument(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("青禾 家庭流水记账软件"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("The folder for the data (default: QINGHE_DATA_DIR, the program's own "
                       "folder when it is a portable copy, else ~/.local/share/qinghe)."),
        QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(arguments);
    if (!parser.isSet(dataDir) || parser.value(dataDir).isEmpty()) return std::nullopt;
    return std::filesystem::path(parser.value(dataDir).toStdString());
}

std::optional<DataFolderChoice> prepareDataFolder(
    const std::optional<std::filesystem::path>& argument, UserInteraction& user) {
    const DataFolderChoice choice = chooseDataFolder(dataFolderInputsOfThisProcess(argument));
    const std::string why = makeDataFolder(choice.folder);
    if (why.empty()) return choice;
    // The folder's name as far as GBK can hold it; the reason is the system's.
    std::string text = kDataFolderNotMade;
    if (auto folder = toGbk(QString::fromStdString(choice.folder.string()))) text += *folder;
    showError(user, std::move(text));
    return std::nullopt;
}

}  // namespace qinghe::ui
