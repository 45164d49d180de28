#pragma once

#include <cstdlib>
#include <iostream>

#include "common/gbk.h"
#include "common/user_interaction.h"

namespace qinghe::cli {

// The command-line tool has no windows: messages go to standard error (as
// UTF-8), questions are answered with OK, dialogs are cancelled (commands take
// their input as options), and ending the program exits.
class ConsoleUser final : public UserInteraction {
  public:
    MessageAnswer showMessage(const Message& message) override {
        std::cerr << gbkToUtf8Lossy(message.title) << ": " << gbkToUtf8Lossy(message.text) << "\n";
        return MessageAnswer::Ok;
    }
    void runPasswordDialog(const PasswordDialogRequest&,
                           const std::function<bool(const std::string&)>&) override {}
    std::optional<std::string> askText(const TextRequest&) override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseFolder(const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest&) override {
        return {};
    }
    void runWithProgress(const std::string&, const std::function<void()>& work) override { work(); }
    void endProgram() override { std::_Exit(3); }
};

}  // namespace qinghe::cli
