#pragma once

#include "common/user_interaction.h"

namespace qinghe {

// For tools that run without anyone to ask (the command-line tool, the fuzzer,
// benchmarks, the screenshot tool): messages are answered with OK, dialogs are
// cancelled, work behind a progress window simply runs, and ending the program
// is only counted. Subclasses say more where they can.
class NonInteractiveUser : public UserInteraction {
  public:
    MessageAnswer showMessage(const Message&) override {
        ++messages;
        return MessageAnswer::Ok;
    }
    void runPasswordDialog(const PasswordDialogRequest&,
                           const std::function<bool(const std::string&)>&) override {}
    void runForm(const FormRequest&,
                 const std::function<bool(const std::vector<std::string>&)>&) override {}
    std::optional<std::string> askText(const TextRequest&) override { return std::nullopt; }
    std::optional<std::filesystem::path> chooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
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

}  // namespace qinghe
