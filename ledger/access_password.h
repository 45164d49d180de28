#pragma once

#include <string_view>

namespace qinghe::ledger {

// Whether a typed access password opens a ledger whose stored password is
// `stored`. The registry keeps only the first 20 bytes of a password, so the
// whole password typed at creation is accepted as well as its stored part.
bool accessPasswordMatches(std::string_view typed, std::string_view stored);

}  // namespace qinghe::ledger
