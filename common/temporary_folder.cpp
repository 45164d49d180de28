#include "common/temporary_folder.h"

#include <stdlib.h>

#include <system_error>

namespace qinghe {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder(std::string_view prefix, fs::path base) {
    std::error_code error;
    if (base.empty()) base = fs::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / prefix).string() + "XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code error;
    if (made()) fs::remove_all(path_, error);
}

void TemporaryFolder::clear() const {
    std::error_code error;
    if (!made()) return;
    for (fs::directory_iterator it(path_, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

}  // namespace qinghe
