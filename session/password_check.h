#pragma once

#include <string>
#include <string_view>

#include "common/user_interaction.h"

namespace qinghe {

enum class PasswordOutcome {
    Correct,    // matched
    Incorrect,  // the dialog was left after a failed attempt
    Cancelled,  // left without any attempt
};

// Shows the password dialog until the expected password (GBK, compared byte for
// byte) is typed or the dialog is left. A wrong attempt says so and keeps the
// dialog open; there is no limit on attempts. Callers act only on Correct.
PasswordOutcome verifyPassword(UserInteraction& user, std::string_view expected,
                               const std::string& note = {});

}  // namespace qinghe
