#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/user_interaction.h"

namespace qinghe::fuzz {

// Answers every question with OK or cancel, counts what was shown and never
// ends the process: a fatal read must come back to the caller.
class SilentUser final : public UserInteraction {
  public:
    MessageAnswer showMessage(const Message&) override {
        ++messages;
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
    void endProgram() override { ++endCalls; }

    int messages = 0;
    int endCalls = 0;
};

}  // namespace qinghe::fuzz
