#pragma once

#include <filesystem>

#include "common/run_directory.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::report {

// What lies where an export is about to write a file (or an entry's folder).
enum class ExportPlace {
    Free,              // nothing there yet
    Occupied,          // something is there: replacing it needs the user's word
    InsideDataFolder,  // among the program's own files: never written
};

// Links followed, so that no other name of a data folder slips through.
ExportPlace exportPlace(const RunDirectory& run, const std::filesystem::path& target);

// The windows' rule: inside the data folder is refused (said so); a place
// that is occupied is replaced only when the user says OK. True to go on.
bool mayExportTo(AppState& state, const std::filesystem::path& target);

}  // namespace qinghe::report
