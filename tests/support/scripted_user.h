#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/user_interaction.h"

namespace qinghe::testing {

// Answers every question from a script and records what was shown. When a
// script runs out: OK for messages, cancel for everything else. endProgram is
// recorded instead of ending the test.
class ScriptedUser : public UserInteraction {
  public:
    // One visit of the password dialog: the texts typed, in order, each followed
    // by "确定"; after the last one the dialog is cancelled unless it closed.
    using PasswordVisit = std::vector<std::string>;

    MessageAnswer showMessage(const Message& message) override {
        messages.push_back(message);
        if (answers.empty()) return MessageAnswer::Ok;
        MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void runPasswordDialog(const PasswordDialogRequest& request,
                           const std::function<bool(const std::string&)>& attempt) override {
        passwordRequests.push_back(request);
        if (passwordVisits.empty()) return;
        PasswordVisit visit = passwordVisits.front();
        passwordVisits.pop_front();
        for (const auto& typed : visit) {
            if (attempt(typed)) return;
        }
    }

    // One visit of a form: the field texts of each press of its accept button,
    // in order; after the last one the form is cancelled unless it closed.
    // kPressImmediateAction in place of the fields presses the form's button
    // that acts without closing it ("现在就立即备份！").
    using FormVisit = std::vector<std::vector<std::string>>;
    static inline const std::vector<std::string> kPressImmediateAction = {"\x01immediate"};

    void runForm(const FormRequest& request,
                 const std::function<bool(const std::vector<std::string>&)>& attempt) override {
        formRequests.push_back(request);
        if (formVisits.empty()) return;
        FormVisit visit = formVisits.front();
        formVisits.pop_front();
        for (const auto& fields : visit) {
            if (fields == kPressImmediateAction) {
                if (request.immediateAction) request.immediateAction();
                continue;
            }
            if (attempt(fields)) return;
        }
    }

    std::optional<std::string> askText(const TextRequest& request) override {
        textRequests.push_back(request);
        if (texts.empty()) return std::nullopt;
        auto text = texts.front();
        texts.pop_front();
        return text;
    }

    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& initialFolder) override {
        folderTitles.push_back(title);
        initialFolders.push_back(initialFolder);
        if (folders.empty()) return std::nullopt;
        auto folder = folders.front();
        folders.pop_front();
        return folder;
    }

    std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest& request) override {
        openFilesRequests.push_back(request);
        if (fileChoices.empty()) return {};
        auto files = fileChoices.front();
        fileChoices.pop_front();
        return files;
    }

    // One visit of a window: what the user does in it, given its model (the
    // test casts it to the model the kind names). No visit left: the window
    // is closed by its close control at once.
    using WindowVisit = std::function<void(WindowKind, WindowModel&)>;

    void runWindow(WindowKind kind, WindowModel& model) override {
        windowKinds.push_back(kind);
        if (windowVisits.empty()) return;
        WindowVisit visit = std::move(windowVisits.front());
        windowVisits.pop_front();
        if (visit) visit(kind, model);
    }

    std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) override {
        saveFileRequests.push_back(request);
        if (saveFiles.empty()) return std::nullopt;
        auto file = saveFiles.front();
        saveFiles.pop_front();
        return file;
    }

    void runWithProgress(const std::string& text, const std::function<void()>& work) override {
        progressTexts.push_back(text);
        work();
    }

    void endProgram() override { ++endCalls; }

    // Script.
    std::deque<MessageAnswer> answers;
    std::deque<PasswordVisit> passwordVisits;
    std::deque<FormVisit> formVisits;
    std::deque<std::optional<std::string>> texts;
    std::deque<std::optional<std::filesystem::path>> folders;
    std::deque<std::vector<std::filesystem::path>> fileChoices;
    std::deque<WindowVisit> windowVisits;
    std::deque<std::optional<std::filesystem::path>> saveFiles;

    // Record.
    std::vector<Message> messages;
    std::vector<PasswordDialogRequest> passwordRequests;
    std::vector<FormRequest> formRequests;
    std::vector<TextRequest> textRequests;
    std::vector<OpenFilesRequest> openFilesRequests;
    std::vector<SaveFileRequest> saveFileRequests;
    std::vector<std::string> folderTitles;
    std::vector<std::filesystem::path> initialFolders;
    std::vector<std::string> progressTexts;
    std::vector<WindowKind> windowKinds;
    int endCalls = 0;
};

}  // namespace qinghe::testing
