#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/non_interactive_user.h"

namespace qinghe::fuzz {

// Answers every question with OK or cancel, counts what was shown and never
// ends the process: a fatal read must come back to the caller.
using SilentUser = NonInteractiveUser;

}  // namespace qinghe::fuzz
