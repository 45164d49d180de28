#pragma once

#include <QDir>
#include <QPointer>
#include <QWidget>

#include "app/chooser_folders.h"
#include "common/user_interaction.h"

namespace qinghe::ui {

// The program's answers to the core's questions: Qt message boxes and dialogs
// over the main window.
class QtUserInteraction final : public UserInteraction {
  public:
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    // The data folder, where no file chooser opens.
    void setDataFolder(const std::filesystem::path& folder) {
        folders_ = ChooserFolders(folder, QDir::homePath().toStdString());
    }
    const ChooserFolders& chooserFolders() const { return folders_; }

    MessageAnswer showMessage(const Message& message) override;
    void runPasswordDialog(const PasswordDialogRequest& request,
                           const std::function<bool(const std::string&)>& attempt) override;
    void runForm(const FormRequest& request,
                 const std::function<bool(const std::vector<std::string>&)>& attempt) override;
    std::optional<std::string> askText(const TextRequest& request) override;
    std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& initialFolder) override;
    std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest& request) override;
    void runWindow(WindowKind kind, WindowModel& model) override;
    std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) override;
    void runWithProgress(const std::string& text, const std::function<void()>& work) override;
    void endProgram() override;

  private:
    QPointer<QWidget> parent_;
    ChooserFolders folders_{{}, QDir::homePath().toStdString()};
};

}  // namespace qinghe::ui
