#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cli/console_user.h"
#include "common/clock.h"
#include "session/app_state.h"
#include "store/file_layer.h"

namespace qinghe::cli {

// The core over one run directory, as one run of the program holds it: the
// real disk and clock, the console for the user, the settings loaded without
// writing. Commands check ready() first; when it is false the settings could
// not be read and the reason has been printed.
class RunSession {
  public:
    // `ledgerPassword` (GBK) answers the ledger access-password form once.
    explicit RunSession(const std::filesystem::path& runDirectory,
                        std::optional<std::string> ledgerPassword = std::nullopt);

    bool ready() const { return ready_; }
    AppState& state() { return state_; }

  private:
    store::PosixFileSystem files_;
    SystemClock clock_;
    ConsoleUser user_;
    AppState state_;
    bool ready_ = false;
};

}  // namespace qinghe::cli
