#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QPushButton;

namespace qinghe {
class UserInteraction;
}

namespace qinghe::ui {

// A small modal form at fixed positions. Each press of its accept button
// hands the field texts (GBK) to the check, which decides whether the form
// closes; text GBK cannot hold is refused where it was typed.
class FormDialog : public QDialog {
    Q_OBJECT

  public:
    using Attempt = std::function<bool(const std::vector<std::string>& fields)>;

    FormDialog(QWidget* parent, UserInteraction& user, Attempt attempt);

  protected:
    // The form's title and its fixed size.
    void setFrame(const QString& title, int width, int height);
    void connectButtons(QPushButton* accept, QPushButton* cancel);
    // The texts of the fields, in the order the core expects them.
    virtual QStringList fieldTexts() const = 0;

  private:
    void submit();

    UserInteraction& user_;
    Attempt attempt_;
};

// The field texts (GBK) a form opens with; empty where none is given.
QString initialText(const std::vector<std::string>& initial, std::size_t field);

}  // namespace qinghe::ui
