#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qinghe {

enum class MessageIcon { Error, Information, Question, Warning };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// One message box: texts are GBK, as everything inside the core.
struct Message {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

// The password dialog "密码验证". `note` is an extra line under the prompt
// (empty: none), used to tell a fresh installation its initial password.
struct PasswordDialogRequest {
    std::string note;
};

// The small modal forms of the program. Each has its fields in a fixed order;
// every text is GBK.
enum class FormKind {
    NewLedger,       // "添加一个新账簿": name, access password
    ChangeLedger,    // "修改账簿信息": name, old password, new password
    LedgerPassword,  // "校验访问密码": password
    InitialBalance,  // "设定记账初始日期与初始金额": start date (yyyy-mm-dd), amount
    ChangeLoginPassword,  // "修改登录密码": old password, new password, new password again
    // "备份数据库": mode index (0..3), days, generations kept; its button
    // "现在就立即备份！" runs `immediateAction` while the form stays open.
    BackupSettings,
    // "选择要还原的备份": `initial` holds one row per backup generation, its
    // columns separated by "\t"; the one field is the chosen row's index
    // (decimal), the first row chosen when the form opens.
    RestoreChoice,
    // "选择导出方式": "导出账目数据", "导出凭证图片"; each field "1" when its
    // box is checked, "0" when not (both checked when the form opens).
    ExportChoice,
};

struct FormRequest {
    FormKind kind = FormKind::NewLedger;
    std::vector<std::string> initial;  // the fields' texts when the form opens
    // What a button that acts without closing the form does (none: the form
    // has no such button).
    std::function<void()> immediateAction = {};
};

// The one-line input box.
struct TextRequest {
    std::string title;
    std::string prompt;
    std::string initial;
};

// File-open dialog: `filters` are "描述 (*.jpg *.png)" lines, GBK.
struct OpenFilesRequest {
    std::string title;
    std::vector<std::string> filters;
};

// A window whose controls work on a model of the core while it is open (the
// list dialogs of the settings page, the entry window): the core makes the
// model, the window shows it and acts on it through the model's own
// functions, and the core reads the model once the window has closed.
class WindowModel {
  public:
    virtual ~WindowModel() = default;
};

enum class WindowKind {
    ItemLists,   // "设定收支项目": two name lists (config's NameListsModel)
    MemberList,  // "家庭成员设定": one name list (the same model)
    Entry,       // "查看、修改项目内容" (entry's EntryWindowModel)
    BillImport,  // "导入账单" (import's BillImportModel)
};

// File-save dialog: `suggestedName` is the file name it opens with, `filters`
// as for OpenFilesRequest; all GBK.
struct SaveFileRequest {
    std::string title;
    std::string suggestedName;
    std::vector<std::string> filters;
};

// Every question to the user goes through this: the program implements it with
// Qt, tests with scripted answers, so every flow runs without a window.
class UserInteraction {
  public:
    virtual ~UserInteraction() = default;

    virtual MessageAnswer showMessage(const Message& message) = 0;

    // Shows the password dialog modally. Each press of "确定" hands the typed
    // text (GBK) to `attempt`, which returns true when the dialog may close;
    // otherwise the dialog stays open with the text as typed. Returns when the
    // dialog is closed, by `attempt`, by "取消" or by the window's close control.
    virtual void runPasswordDialog(
        const PasswordDialogRequest& request,
        const std::function<bool(const std::string& typed)>& attempt) = 0;

    // Shows a form modally. Each press of its accept button hands the field
    // texts to `attempt`, which returns true when the form may close; otherwise
    // the form stays open as typed. Returns when the form is closed, by
    // `attempt`, by its cancel button or by the window's close control.
    virtual void runForm(
        const FormRequest& request,
        const std::function<bool(const std::vector<std::string>& fields)>& attempt) = 0;

    // The input box; nothing when cancelled.
    virtual std::optional<std::string> askText(const TextRequest& request) = 0;
    // A folder chosen by the user, the browser opening at `initialFolder`;
    // nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& initialFolder) = 0;
    // Files chosen to open; empty when cancelled.
    virtual std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest& request) = 0;
    // The file to save to; nothing when cancelled (and where nobody can be asked).
    virtual std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest&) {
        return std::nullopt;
    }

    // Shows the window of `kind` over `model` modally and returns once it has
    // closed. Without windows (the tool) it closes at once, as if by its close
    // control, leaving the model as it was made.
    virtual void runWindow(WindowKind /*kind*/, WindowModel& /*model*/) {}

    // Runs `work` while a small modal window shows `text` (GBK), after the
    // window has been painted.
    virtual void runWithProgress(const std::string& text, const std::function<void()>& work) = 0;

    // Ends the process at once, without closing windows or saving anything.
    // A scripted implementation records the call and returns, so callers must
    // not rely on it not returning.
    virtual void endProgram() = 0;
};

}  // namespace qinghe
