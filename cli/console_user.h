#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/gbk.h"
#include "common/non_interactive_user.h"

namespace qinghe::cli {

// Whether this run of the tool told the user of an error (a message with the
// error icon): a command that did so never exits 0, even when its main work
// was done (an entry added whose new item could not be saved).
void noteErrorTold();
bool errorWasTold();

// The command-line tool has no windows: messages go to standard error (as
// UTF-8), questions are answered with OK, dialogs are cancelled (commands take
// their input as options), and ending the program exits. The one form it fills
// in is the ledger's access password, with the password the command was given;
// the same password answers the password dialog that guards deleting and
// clearing entries. A command may also give the files of the next file dialog
// and what is done in the next window over a model of the core.
class ConsoleUser final : public NonInteractiveUser {
  public:
    ConsoleUser() = default;
    // `ledgerPassword` (GBK) answers the first "校验访问密码" form and the first
    // password dialog; nothing cancels them.
    explicit ConsoleUser(std::optional<std::string> ledgerPassword)
        : ledgerPassword_(ledgerPassword), guardPassword_(std::move(ledgerPassword)) {}

    void runPasswordDialog(const PasswordDialogRequest&,
                           const std::function<bool(const std::string&)>& attempt) override {
        guardAsked_ = true;
        if (!guardPassword_) return;
        std::string password = std::move(*guardPassword_);
        guardPassword_.reset();
        guardPassed_ = attempt(password);
    }
    // Whether the password dialog was shown and not passed.
    bool guardRefused() const { return guardAsked_ && !guardPassed_; }

    // The files the next file dialog is answered with.
    void answerNextFileDialog(std::vector<std::filesystem::path> files) {
        openFiles_ = std::move(files);
    }
    std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest&) override {
        return std::exchange(openFiles_, {});
    }

    // What the command does in the next window (none: it is closed at once).
    void answerNextWindow(std::function<void(WindowKind, WindowModel&)> visit) {
        windowVisit_ = std::move(visit);
    }
    void runWindow(WindowKind kind, WindowModel& model) override {
        if (auto visit = std::exchange(windowVisit_, {})) visit(kind, model);
    }

    MessageAnswer showMessage(const Message& message) override {
        std::cerr << gbkToUtf8Lossy(message.title) << ": " << gbkToUtf8Lossy(message.text) << "\n";
        if (message.icon == MessageIcon::Error) noteErrorTold();
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
    std::optional<std::string> guardPassword_;
    bool guardAsked_ = false;
    bool guardPassed_ = false;
    std::vector<std::filesystem::path> openFiles_;
    std::function<void(WindowKind, WindowModel&)> windowVisit_;
};

}  // namespace qinghe::cli
