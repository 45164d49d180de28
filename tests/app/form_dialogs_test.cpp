#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/password_dialog.h"
#include "app/qt_user_interaction.h"
#include "app/ui_texts.h"
#include "common/ui/gbk_text.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::gbk;
using Fields = std::vector<std::string>;

QPushButton* buttonOf(QDialog* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text) return button;
    }
    return nullptr;
}

// Replaces the text as a user would: ASCII key by key, anything else as the
// input method commits it.
void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = at;
        const bool ascii = text[at].unicode() < 0x80;
        while (end < text.size() && (text[end].unicode() < 0x80) == ascii) ++end;
        const QString run = text.mid(at, end - at);
        if (ascii) {
            QTest::keyClicks(box, run);
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(run);
            QApplication::sendEvent(box, &commit);
        }
        at = end;
    }
}

// Runs the real form of `request` over `window`; `drive` acts on it once it is shown and
// tells whether the form was still open afterwards. A form left open is
// cancelled so that the test goes on.
class FormRun {
  public:
    FormRun(QWidget* window, const FormRequest& request, std::function<bool(const Fields&)> attempt,
            std::function<void(QDialog*)> drive) {
        user.setParentWindow(window);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            shown = true;
            title = dialog->windowTitle();
            size = dialog->size();
            drive(dialog);
            openAfterwards = dialog->isVisible();
            if (openAfterwards) dialog->reject();
        });
        user.runForm(request, attempt);
    }

    ui::QtUserInteraction user;
    bool shown = false;
    QString title;
    QSize size;
    bool openAfterwards = false;
};

// The forms open over the main window, as in the program: its style reaches them.
using FormDialogsTest = testing::GuiTest;

TEST_F(FormDialogsTest, EachFormShowsItsFieldsAndHandsOnWhatIsTyped) {
    const struct {
        FormKind kind;
        Fields initial;
        QString title;
        QSize size;
        QString acceptButton;
        // Object name of a field: what it shows at first, what is typed.
        std::vector<std::tuple<const char*, QString, QString>> typing;
        Fields fields;  // GBK
    } cases[] = {
        {FormKind::NewLedger,
         {"", ""},
         QStringLiteral("添加一个新账簿"),
         {298, 266},
         QStringLiteral("创建！"),
         {{"name", "", QStringLiteral("家庭")}, {"password", "", QStringLiteral("秘密1")}},
         {gbk("家庭"), gbk("秘密1")}},
        {FormKind::ChangeLedger,
         {gbk("旅行"), "", ""},
         QStringLiteral("修改账簿信息"),
         {298, 266},
         QStringLiteral("保存"),
         {{"name", QStringLiteral("旅行"), QStringLiteral("旅行基金")},
          {"oldPassword", "", QStringLiteral("old")},
          {"newPassword", "", QStringLiteral("新")}},
         {gbk("旅行基金"), "old", gbk("新")}},
        {FormKind::LedgerPassword,
         {""},
         QStringLiteral("校验访问密码"),
         {369, 271},
         QStringLiteral("确定"),
         {{"password", "", QStringLiteral("470913")}},
         {"470913"}},
        // Only a number gets into the amount; the date comes back as shown.
        {FormKind::InitialBalance,
         {"2014-03-09", "100"},
         QStringLiteral("设定记账初始日期与初始金额"),
         {274, 244},
         QStringLiteral("确定"),
         {{"amount", QStringLiteral("100"), QStringLiteral("-12a.5.0x")}},
         {"2014-03-09", "-12.50"}},
        {FormKind::ChangeLoginPassword,
         {},
         QStringLiteral("修改登录密码"),
         {318, 236},
         QStringLiteral("确定"),
         {{"oldPassword", "", QStringLiteral("470913")},
          {"newPassword", "", QStringLiteral("新密码1")},
          {"repeatedPassword", "", QStringLiteral("新密码1")}},
         {"470913", gbk("新密码1"), gbk("新密码1")}},
    };
    for (const auto& form : cases) {
        SCOPED_TRACE(form.title.toStdString());
        std::vector<Fields> attempts;
        FormRun run(
            window_.get(), {form.kind, form.initial},
            [&](const Fields& fields) {
                attempts.push_back(fields);
                return true;
            },
            [&](QDialog* dialog) {
                for (const auto& [name, shown, typed] : form.typing) {
                    auto* box = dialog->findChild<QLineEdit*>(QLatin1String(name));
                    ASSERT_NE(box, nullptr) << name;
                    EXPECT_EQ(box->text(), shown) << name;
                    typeInto(box, typed);
                    // A password shows one * for each character.
                    if (box->echoMode() == QLineEdit::Password) {
                        EXPECT_EQ(box->displayText(), QString(typed.size(), QLatin1Char('*')));
                    }
                }
                ASSERT_NE(buttonOf(dialog, QStringLiteral("取消")), nullptr);
                buttonOf(dialog, form.acceptButton)->click();
            });
        EXPECT_TRUE(run.shown);
        EXPECT_EQ(run.title, form.title);
        EXPECT_EQ(run.size, form.size);
        EXPECT_FALSE(run.openAfterwards);
        EXPECT_EQ(attempts, std::vector<Fields>{form.fields});
    }
}

TEST_F(FormDialogsTest, LedgerBoxesTakeNoMoreThanTheRegistryKeeps) {
    // Character by character, as typed: what the registry would not keep
    // (20 GBK bytes) does not get in, so nothing is cut when it is stored.
    const QString ten = QString(10, QChar(u'家'));
    const struct {
        FormKind kind;
        const char* box;
        QString typed;
        QString kept;
        std::size_t field;
        QString accept;
    } cases[] = {
        {FormKind::NewLedger, "name", ten + QChar(u'家'), ten, 0, QStringLiteral("创建！")},
        {FormKind::NewLedger, "name", QStringLiteral("abcdefghijklmnopqrs家"),
         QStringLiteral("abcdefghijklmnopqrs"), 0, QStringLiteral("创建！")},
        {FormKind::NewLedger, "password", QString(25, QLatin1Char('p')),
         QString(20, QLatin1Char('p')), 1, QStringLiteral("创建！")},
        {FormKind::ChangeLedger, "name", ten + QChar(u'家'), ten, 0, QStringLiteral("保存")},
        {FormKind::ChangeLedger, "newPassword", ten + QChar(u'密'), ten, 2, QStringLiteral("保存")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        Fields handed;
        FormRun run(
            window_.get(), {c.kind, {}},
            [&](const Fields& fields) {
                handed = fields;
                return true;
            },
            [&](QDialog* dialog) {
                auto* box = dialog->findChild<QLineEdit*>(QLatin1String(c.box));
                ASSERT_NE(box, nullptr);
                box->clear();
                for (QChar typed : c.typed) {
                    // Chinese comes from the input method, one character at a time.
                    QInputMethodEvent commit;
                    commit.setCommitString(typed);
                    QApplication::sendEvent(box, &commit);
                }
                buttonOf(dialog, c.accept)->click();
            });
        ASSERT_GT(handed.size(), c.field);
        EXPECT_EQ(ui::fromGbk(handed[c.field]), c.kept);
    }
}

TEST_F(FormDialogsTest, FormsOpenReadyForTheirInput) {
    // The access password is typed straight away.
    QWidget* focus = nullptr;
    QWidget* password = nullptr;
    FormRun access(
        window_.get(), {FormKind::LedgerPassword, {""}}, [](const Fields&) { return true; },
        [&](QDialog* dialog) {
            password = dialog->findChild<QLineEdit*>(QStringLiteral("password"));
            focus = dialog->focusWidget();
        });
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(focus, password);

    // The start date is picked from a calendar and shows the stored one.
    bool popup = false;
    QString shownDate;
    FormRun balance(
        window_.get(), {FormKind::InitialBalance, {"2015-01-31", "0"}},
        [](const Fields&) { return true; },
        [&](QDialog* dialog) {
            auto* edit = dialog->findChild<QDateEdit*>(QStringLiteral("startDate"));
            if (edit == nullptr) return;
            popup = edit->calendarPopup();
            shownDate = edit->text();
        });
    EXPECT_TRUE(popup);
    EXPECT_EQ(shownDate, QStringLiteral("2015-01-31"));
}

TEST_F(FormDialogsTest, FormClosesOnlyWhenTheCheckSaysSo) {
    enum class Leave { Accept, Cancel, CloseControl };
    const struct {
        const char* name;
        std::vector<bool> answers;  // the check's answer to each press of 创建！
        Leave leave;
        int attempts;
        bool openAfterwards;
    } cases[] = {
        {"refused, then accepted", {false, true}, Leave::Accept, 2, false},
        {"refused twice", {false, false}, Leave::Accept, 2, true},
        {"cancelled", {}, Leave::Cancel, 0, false},
        {"closed", {}, Leave::CloseControl, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Fields> attempts;
        QString nameAtSecondPress;
        FormRun run(
            window_.get(), {FormKind::NewLedger, {"", ""}},
            [&](const Fields& fields) {
                attempts.push_back(fields);
                return c.answers[attempts.size() - 1];
            },
            [&](QDialog* dialog) {
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("name"));
                typeInto(name, QStringLiteral("家庭"));
                switch (c.leave) {
                    case Leave::Accept:
                        for (std::size_t press = 0; press < c.answers.size(); ++press) {
                            nameAtSecondPress = name->text();
                            buttonOf(dialog, QStringLiteral("创建！"))->click();
                        }
                        break;
                    case Leave::Cancel:
                        buttonOf(dialog, QStringLiteral("取消"))->click();
                        break;
                    case Leave::CloseControl:
                        dialog->close();
                        break;
                }
            });
        EXPECT_EQ(int(attempts.size()), c.attempts);
        EXPECT_EQ(run.openAfterwards, c.openAfterwards);
        // A refused form keeps what was typed.
        if (c.attempts == 2) {
            EXPECT_EQ(nameAtSecondPress, QStringLiteral("家庭"));
            EXPECT_EQ(attempts[1], (Fields{gbk("家庭"), ""}));
        }
    }
}

TEST_F(FormDialogsTest, TextGbkCannotHoldIsRefusedWhereItIsTyped) {
    int attempts = 0;
    QString message;
    FormRun run(
        window_.get(), {FormKind::NewLedger, {"", ""}},
        [&](const Fields&) {
            ++attempts;
            return true;
        },
        [&](QDialog* dialog) {
            typeInto(dialog->findChild<QLineEdit*>(QStringLiteral("name")),
                     QStringLiteral("家庭😀"));
            // The refusal is a message box over the form; read and close it.
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                message = box->text();
                box->buttons().first()->click();
            });
            buttonOf(dialog, QStringLiteral("创建！"))->click();
        });
    EXPECT_EQ(attempts, 0);
    EXPECT_EQ(message, ui::fromGbk(texts::kUnstorableText));
    EXPECT_TRUE(run.openAfterwards);
}

TEST_F(FormDialogsTest, NewLoginPasswordsGbkCannotHoldAreRefusedAndLongOnesDoNotGetIn) {
    int attempts = 0;
    QString message;
    QString kept;
    FormRun run(
        window_.get(), {FormKind::ChangeLoginPassword, {}},
        [&](const Fields&) {
            ++attempts;
            return true;
        },
        [&](QDialog* dialog) {
            auto* repeated = dialog->findChild<QLineEdit*>(QStringLiteral("repeatedPassword"));
            typeInto(repeated, QString(25, QLatin1Char('p')));
            kept = repeated->text();
            typeInto(dialog->findChild<QLineEdit*>(QStringLiteral("newPassword")),
                     QStringLiteral("密😀"));
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                message = box->text();
                box->buttons().first()->click();
            });
            buttonOf(dialog, QStringLiteral("确定"))->click();
        });
    EXPECT_EQ(kept, QString(20, QLatin1Char('p')));
    EXPECT_EQ(attempts, 0);
    EXPECT_EQ(message, ui::fromGbk(texts::kUnstorableText));
    EXPECT_TRUE(run.openAfterwards);
}

TEST_F(FormDialogsTest, BackupDialogShowsItsSettingsAndBacksUpWithoutClosing) {
    int backups = 0;
    std::vector<Fields> attempts;
    bool openAfterBackup = false;
    QStringList modes;
    FormRequest request{FormKind::BackupSettings, {"2", "7", "4"}, [&] { ++backups; }};
    FormRun run(
        window_.get(), request,
        [&](const Fields& fields) {
            attempts.push_back(fields);
            return true;
        },
        [&](QDialog* dialog) {
            auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("mode"));
            auto* days = dialog->findChild<QLineEdit*>(QStringLiteral("days"));
            auto* kept = dialog->findChild<QSpinBox*>(QStringLiteral("kept"));
            ASSERT_TRUE(mode && days && kept);
            for (int i = 0; i < mode->count(); ++i) modes << mode->itemText(i);
            EXPECT_EQ(mode->currentIndex(), 2);
            EXPECT_EQ(days->text(), QStringLiteral("7"));
            EXPECT_EQ(kept->value(), 4);
            EXPECT_EQ(kept->minimum(), 2);

            buttonOf(dialog, QStringLiteral("现在就立即备份！"))->click();
            openAfterBackup = dialog->isVisible();
            EXPECT_TRUE(attempts.empty());

            mode->setCurrentIndex(0);
            typeInto(days, QStringLiteral("3x0"));  // digits only
            kept->setValue(9);
            buttonOf(dialog, QStringLiteral("确定"))->click();
        });
    EXPECT_EQ(run.title, QStringLiteral("备份数据库"));
    EXPECT_EQ(run.size, QSize(380, 250));
    EXPECT_EQ(modes, (QStringList{QStringLiteral("定期自动备份"), QStringLiteral("每次启动时备份"),
                                  QStringLiteral("每次退出时备份"), QStringLiteral("手动备份")}));
    EXPECT_EQ(backups, 1);
    EXPECT_TRUE(openAfterBackup);
    EXPECT_EQ(attempts, (std::vector<Fields>{{"0", "30", "9"}}));
}

TEST_F(FormDialogsTest, RestoreChoiceOffersEveryBackupWithTheOneToldChosen) {
    const Fields rows = {gbk("2015-05-12 19:00:00（最新）\t0 个账簿\t37 B"),
                         gbk("2015-05-11 08:30:00\t2 个账簿\t1.5 MB")};
    const struct {
        const char* name;
        std::string opensOn;
        std::function<void(QTableWidget*, QDialog*)> choose;
        Fields chosen;
    } cases[] = {
        {"the latest as it opens",
         "0",
         [](QTableWidget*, QDialog* dialog) { buttonOf(dialog, QStringLiteral("确定"))->click(); },
         {"0"}},
        {"the one with ledgers as it opens",
         "1",
         [](QTableWidget*, QDialog* dialog) { buttonOf(dialog, QStringLiteral("确定"))->click(); },
         {"1"}},
        {"another one selected",
         "0",
         [](QTableWidget* list, QDialog* dialog) {
             list->selectRow(1);
             buttonOf(dialog, QStringLiteral("确定"))->click();
         },
         {"1"}},
        {"a double-click",
         "0",
         [](QTableWidget* list, QDialog*) {
             list->selectRow(1);
             emit list->cellDoubleClicked(1, 0);
         },
         {"1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fields handed;
        QStringList firstRow;
        Fields initial = {c.opensOn};
        initial.insert(initial.end(), rows.begin(), rows.end());
        FormRun run(
            window_.get(), {FormKind::RestoreChoice, initial},
            [&](const Fields& fields) {
                handed = fields;
                return true;
            },
            [&](QDialog* dialog) {
                auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("generations"));
                ASSERT_NE(list, nullptr);
                ASSERT_EQ(list->rowCount(), 2);
                for (int column = 0; column < 3; ++column)
                    firstRow << list->item(0, column)->text();
                c.choose(list, dialog);
            });
        EXPECT_EQ(run.title, QStringLiteral("选择要还原的备份"));
        EXPECT_EQ(firstRow, (QStringList{QStringLiteral("2015-05-12 19:00:00（最新）"),
                                         QStringLiteral("0 个账簿"), QStringLiteral("37 B")}));
        EXPECT_EQ(handed, c.chosen);
        EXPECT_FALSE(run.openAfterwards);
    }
}

// After a wrong password the text stays selected: the next try replaces it.
TEST_F(FormDialogsTest, AWrongPasswordIsSelectedSoThatTheNextTryReplacesIt) {
    testing::ScriptedUser user;
    std::vector<std::string> tried;
    ui::PasswordDialog dialog(window_.get(), {}, user, [&](const std::string& typed) {
        tried.push_back(typed);
        return typed == "470913";
    });
    dialog.show();
    QTest::keyClicks(dialog.passwordBox(), QStringLiteral("47913"));
    buttonOf(&dialog, QStringLiteral("确定"))->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.passwordBox()->selectedText(), QStringLiteral("47913"));
    QTest::keyClicks(dialog.passwordBox(), QStringLiteral("470913"));
    EXPECT_EQ(dialog.passwordBox()->text(), QStringLiteral("470913"));
    buttonOf(&dialog, QStringLiteral("确定"))->click();
    EXPECT_EQ(tried, (std::vector<std::string>{"47913", "470913"}));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace qinghe
