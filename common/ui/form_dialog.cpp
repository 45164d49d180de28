#include "common/ui/form_dialog.h"

#include <QPushButton>

#include "common/standard_messages.h"
#include "common/ui/gbk_text.h"
#include "common/user_interaction.h"

namespace qinghe::ui {

FormDialog::FormDialog(QWidget* parent, UserInteraction& user, Attempt attempt)
    : QDialog(parent), user_(user), attempt_(std::move(attempt)) {
    setModal(true);
    // Drawn for 12-pixel text; a top-level window does not take the main
    // window's font.
    QFont text = font();
    text.setPixelSize(12);
    setFont(text);
    // Passwords show "*", not the style's bullet.
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

void FormDialog::setFrame(const QString& title, int width, int height) {
    setWindowTitle(title);
    setFixedSize(width, height);
}

void FormDialog::connectButtons(QPushButton* accept, QPushButton* cancel) {
    accept->setDefault(true);
    connect(accept, &QPushButton::clicked, this, &FormDialog::submit);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FormDialog::submit() {
    std::vector<std::string> fields;
    for (const QString& text : fieldTexts()) {
        auto gbk = toGbk(text);
        if (!gbk) {
            showError(user_, texts::kUnstorableText);
            return;
        }
        fields.push_back(std::move(*gbk));
    }
    if (attempt_(fields)) accept();
}

QString initialText(const std::vector<std::string>& initial, std::size_t field) {
    return field < initial.size() ? fromGbk(initial[field]) : QString();
}

}  // namespace qinghe::ui
