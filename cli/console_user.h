#pragma once

#include <cstdlib>
#include <iostream>

#include "common/gbk.h"
#include "common/non_interactive_user.h"

namespace qinghe::cli {

// The command-line tool has no windows: messages go to standard error (as
// UTF-8), questions are answered with OK, dialogs are cancelled (commands take
// their input as options), and ending the program exits.
class ConsoleUser final : public NonInteractiveUser {
  public:
    MessageAnswer showMessage(const Message& message) override {
        std::cerr << gbkToUtf8Lossy(message.title) << ": " << gbkToUtf8Lossy(message.text) << "\n";
        return MessageAnswer::Ok;
    }
    void endProgram() override { std::_Exit(3); }
};

}  // namespace qinghe::cli
