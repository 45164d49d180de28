#include "app/user_guide.h"

#include <system_error>

namespace qinghe::ui {

namespace fs = std::filesystem;

std::vector<fs::path> userGuidePlaces(const fs::path& executableFolder) {
    std::vector<fs::path> places = {
        executableFolder.parent_path() / "share" / "qinghe" / "guide" / "index.html",
        executableFolder / "guide" / "index.html",
    };
#ifdef QINGHE_SOURCE_GUIDE
    places.emplace_back(QINGHE_SOURCE_GUIDE);
#endif
    return places;
}

fs::path findUserGuide(const fs::path& executableFolder) {
    for (const fs::path& place : userGuidePlaces(executableFolder)) {
        std::error_code error;
        if (fs::is_regular_file(place, error)) return place;
    }
    return {};
}

}  // namespace qinghe::ui
