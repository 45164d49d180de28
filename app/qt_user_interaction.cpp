#include "app/qt_user_interaction.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <cstdlib>
#include <memory>

#include "app/change_password_dialog.h"
#include "app/password_dialog.h"
#include "app/ui_texts.h"
#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "config/ui/initial_balance_dialog.h"
#include "config/ui/name_list_dialog.h"
#include "entry/ui/entry_window_dialog.h"
#include "import/ui/bill_import_dialog.h"
#include "ledger/ui/change_ledger_dialog.h"
#include "ledger/ui/ledger_password_dialog.h"
#include "ledger/ui/new_ledger_dialog.h"
#include "maintenance/ui/backup_dialog.h"
#include "maintenance/ui/restore_choice_dialog.h"
#include "report/ui/export_choice_dialog.h"

namespace qinghe::ui {
namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer QtUserInteraction::showMessage(const Message& message) {
    QMessageBox box(iconOf(message.icon), fromGbk(message.title), fromGbk(message.text),
                    QMessageBox::NoButton, parent_);
    QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    if (message.buttons == MessageButtons::OkCancel) {
        QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void QtUserInteraction::runPasswordDialog(const PasswordDialogRequest& request,
                                          const std::function<bool(const std::string&)>& attempt) {
    PasswordDialog dialog(parent_, fromGbk(request.note), *this, attempt);
    dialog.exec();
}

void QtUserInteraction::runForm(
    const FormRequest& request,
    const std::function<bool(const std::vector<std::string>&)>& attempt) {
    std::unique_ptr<FormDialog> form;
    switch (request.kind) {
        case FormKind::NewLedger:
            form = std::make_unique<NewLedgerDialog>(parent_, request.initial, *this, attempt);
            break;
        case FormKind::ChangeLedger:
            form = std::make_unique<ChangeLedgerDialog>(parent_, request.initial, *this, attempt);
            break;
        case FormKind::LedgerPassword:
            form = std::make_unique<LedgerPasswordDialog>(parent_, request.initial, *this, attempt);
            break;
        case FormKind::InitialBalance:
            form = std::make_unique<InitialBalanceDialog>(parent_, request.initial, *this, attempt);
            break;
        case FormKind::ChangeLoginPassword:
            form = std::make_unique<ChangePasswordDialog>(parent_, *this, attempt);
            break;
        case FormKind::BackupSettings:
            form = std::make_unique<BackupDialog>(parent_, request.initial, request.immediateAction,
                                                  *this, attempt);
            break;
        case FormKind::RestoreChoice:
            form = std::make_unique<RestoreChoiceDialog>(parent_, request.initial, *this, attempt);
            break;
        case FormKind::ExportChoice:
            form = std::make_unique<ExportChoiceDialog>(parent_, request.initial, *this, attempt);
            break;
    }
    if (form) form->exec();
}

std::optional<std::string> QtUserInteraction::askText(const TextRequest& request) {
    QString text = fromGbk(request.initial);
    for (;;) {
        QInputDialog box(parent_);
        box.setWindowTitle(fromGbk(request.title));
        box.setLabelText(fromGbk(request.prompt));
        box.setTextValue(text);
        // Chinese whether or not Qt's translations are installed.
        box.setOkButtonText(QStringLiteral("确定"));
        box.setCancelButtonText(QStringLiteral("取消"));
        if (box.exec() != QDialog::Accepted) return std::nullopt;
        text = box.textValue();
        if (auto gbk = toGbk(text)) return gbk;
        showError(*this, texts::kUnstorableText);
    }
}

std::optional<std::filesystem::path> QtUserInteraction::chooseFolder(
    const std::string& title, const std::filesystem::path& initialFolder) {
    QString folder = QFileDialog::getExistingDirectory(
        parent_, fromGbk(title),
        QString::fromStdString(folders_.startFolder(initialFolder).string()));
    if (folder.isEmpty()) return std::nullopt;
    std::filesystem::path chosen(folder.toStdString());
    folders_.used(chosen);
    return chosen;
}

std::vector<std::filesystem::path> QtUserInteraction::chooseOpenFiles(
    const OpenFilesRequest& request) {
    QStringList filters;
    for (const auto& filter : request.filters) filters << fromGbk(filter);
    // The descriptions name their patterns already ("JPG图片（*.jpg）").
    QStringList files = QFileDialog::getOpenFileNames(
        parent_, fromGbk(request.title), QString::fromStdString(folders_.startFolder().string()),
        filters.join(QStringLiteral(";;")), nullptr, QFileDialog::HideNameFilterDetails);
    std::vector<std::filesystem::path> result;
    for (const QString& file : files) result.emplace_back(file.toStdString());
    if (!result.empty()) folders_.used(result.front().parent_path());
    return result;
}

void QtUserInteraction::runWindow(WindowKind kind, WindowModel& model) {
    switch (kind) {
        case WindowKind::ItemLists:
        case WindowKind::MemberList:
            if (auto* lists = dynamic_cast<NameListsModel*>(&model)) {
                NameListDialog dialog(parent_, *lists);
                dialog.exec();
            }
            return;
        case WindowKind::BillImport:
            if (auto* bill = dynamic_cast<import::BillImportModel*>(&model)) {
                BillImportDialog dialog(parent_, *bill);
                dialog.exec();
            }
            return;
        case WindowKind::Entry:
            if (auto* entry = dynamic_cast<entry::EntryWindowModel*>(&model)) {
                EntryWindowDialog dialog(parent_, *entry);
                dialog.exec();
            }
            return;
    }
}

std::optional<std::filesystem::path> QtUserInteraction::chooseSaveFile(
    const SaveFileRequest& request) {
    QFileDialog dialog(parent_, fromGbk(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The core asks before a file is replaced, and refuses the data folder.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const auto& filter : request.filters) filters << fromGbk(filter);
    dialog.setNameFilters(filters);
    // A name typed without an extension gets the suggested one's.
    const QString suggested = fromGbk(request.suggestedName);
    dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
    dialog.setDirectory(QString::fromStdString(folders_.startFolder().string()));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    std::filesystem::path chosen(dialog.selectedFiles().first().toStdString());
    folders_.used(chosen.parent_path());
    return chosen;
}

void QtUserInteraction::runWithProgress(const std::string& text,
                                        const std::function<void()>& work) {
    // A small captionless window, painted before the work starts.
    QWidget window(parent_, Qt::Dialog | Qt::FramelessWindowHint);
    window.setWindowModality(Qt::ApplicationModal);
    window.setFixedSize(283, 123);
    auto* picture = new QLabel(&window);
    picture->setPixmap(window.style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(48, 48));
    auto* label = new QLabel(fromGbk(text), &window);
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(picture);
    layout->addWidget(label, 1);
    window.show();
    QApplication::processEvents();
    window.repaint();
    QApplication::processEvents();
    work();
    window.close();
}

void QtUserInteraction::endProgram() {
    std::_Exit(0);
}

}  // namespace qinghe::ui
