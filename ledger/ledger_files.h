#pragma once

#include <string_view>

namespace qinghe {
struct AppState;
}

namespace qinghe::ledger {

// Closes and deletes a ledger's entry table at the stored path `saveTo`, with
// its companion file, any change log (which would otherwise be replayed over a
// later ledger of the same name) and the numbers of the bills imported into
// it. A path leading outside the data
// folder deletes nothing.
// True when they are gone.
[[nodiscard]] bool deleteLedgerFiles(AppState& state, std::string_view saveTo);

}  // namespace qinghe::ledger
