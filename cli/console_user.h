#pragma once

#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gbk.h"
#include "common/non_interactive_user.h"

namespace qinghe::cli {

// The command-line tool has no windows: messages go to standard error (as
// UTF-8), questions are answered with OK, dialogs are cancelled (commands take
// their input as options), and ending the program exits. The one form it fills
// in is the ledger's access password, with the password the command was given.
class ConsoleUser final : public NonInteractiveUser {
  public:
    ConsoleUser() = default;
    // `ledgerPassword` (GBK) answers the first "校验访问密码" form; nothing
    // cancels it.
    explicit ConsoleUser(std::optional<std::string> ledgerPassword)
        : ledgerPassword_(std::move(ledgerPassword)) {}

    MessageAnswer showMessage(const Message& message) override {
        std::cerr << gbkToUtf8Lossy(message.title) << ": " << gbkToUtf8Lossy(message.text) << "\n";
        return MessageAnswer::Ok;
    }

    // Typed once: a wrong password would otherwise be retried for ever by a
    // form that stays open.
    void runForm(const FormRequest& request,
                 const std::function<bool(const std::vector<std::string>&)>& attempt) override {
        if (request.kind != FormKind::LedgerPassword || !ledgerPassword_) return;
        std::string password = std::move(*ledgerPassword_);
        ledgerPassword_.reset();
        attempt({password});
    }

    void endProgram() override { std::_Exit(3); }

  private:
    std::optional<std::string> ledgerPassword_;
};

}  // namespace qinghe::cli
