#pragma once

#include "session/app_state.h"

namespace qinghe {

// Deletes and recreates the user store with its one default record: login
// password "470913", needpass 0, enciphered under the store password. True when
// the table was created.
[[nodiscard]] bool createUserStore(AppState& state);

// Makes sure the user store exists and is open, then loads the login password
// and needpass into the state. False when it can neither be opened nor made;
// `created` tells whether this call made a new one.
[[nodiscard]] bool openUserStore(AppState& state, bool* created = nullptr);

}  // namespace qinghe
