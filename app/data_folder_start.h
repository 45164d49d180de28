#pragma once

#include <QStringList>
#include <filesystem>
#include <optional>

#include "common/data_folder.h"

namespace qinghe {
class UserInteraction;
}

namespace qinghe::ui {

// The program's command line: --data-dir DIR (and Qt's own options, which
// QApplication has taken already); --help and --version print and end the
// process. The folder named, if any.
std::optional<std::filesystem::path> dataDirArgument(const QStringList& arguments);

// The data folder of this run by the rule, made when missing. Nothing when it
// cannot be had; the user has been told why.
std::optional<DataFolderChoice> prepareDataFolder(
    const std::optional<std::filesystem::path>& argument, UserInteraction& user);

}  // namespace qinghe::ui
