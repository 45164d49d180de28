#pragma once

#include <optional>

#include "common/clock.h"
#include "common/run_directory.h"
#include "config/settings.h"

namespace qinghe::cli {

// The settings as the program would load them, without writing anything below
// the run directory: loadSettings writes the files it finds missing, so it
// reads a copy of the setup folder in a temporary folder instead. Nothing when
// the copy cannot be made.
std::optional<Settings> readSettingsUntouched(const RunDirectory& run, const Clock& clock);

}  // namespace qinghe::cli
