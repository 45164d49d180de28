#include "report/export_target.h"

#include <algorithm>
#include <array>
#include <string>
#include <system_error>

#include "common/gbk.h"
#include "common/standard_messages.h"
#include "config/settings.h"
#include "session/app_state.h"
#include "tables/schemas.h"

namespace qinghe::report {
namespace {

namespace fs = std::filesystem;

const std::string kInsideDataFolder = gbkText("不能导出到软件的数据文件夹中，请选择其他位置：");
const std::string kReplaceQuestion = gbkText("这个位置已有同名的文件，要替换它吗？");
const std::string kReplaceTitle = gbkText("替换");

// Absolute, links followed, without a trailing separator.
fs::path resolved(fs::path path) {
    if (!path.has_filename()) path = path.parent_path();
    std::error_code error;
    fs::path real = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path.lexically_normal() : real;
}

bool within(const fs::path& path, const fs::path& folder) {
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
           folder.end();
}

}  // namespace

ExportPlace exportPlace(const RunDirectory& run, const fs::path& target) {
    const fs::path place = resolved(target);
    const std::array<fs::path, 5> dataFolders = {run.below(tables::kUserStorePath).parent_path(),
                                                 run.below(tables::kRegistryPath).parent_path(),
                                                 run.below(tables::kDataFolder), setupFolder(run),
                                                 run.below(tables::kBackupFolder)};
    for (const fs::path& folder : dataFolders) {
        if (within(place, resolved(folder))) return ExportPlace::InsideDataFolder;
    }
    std::error_code error;
    const bool occupied = fs::exists(fs::symlink_status(target, error));
    return occupied ? ExportPlace::Occupied : ExportPlace::Free;
}

bool mayExportTo(AppState& state, const fs::path& target) {
    switch (exportPlace(state.run, target)) {
        case ExportPlace::Free:
            return true;
        case ExportPlace::InsideDataFolder:
            showError(state.user, kInsideDataFolder + pathToGbk(target));
            return false;
        case ExportPlace::Occupied:
            return state.user.showMessage({kReplaceQuestion + "\n" + pathToGbk(target),
                                           kReplaceTitle, MessageIcon::Warning,
                                           MessageButtons::OkCancel}) == MessageAnswer::Ok;
    }
    return false;
}

}  // namespace qinghe::report
