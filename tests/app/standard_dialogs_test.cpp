#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/chooser_folders.h"
#include "app/qt_translations.h"
#include "app/qt_user_interaction.h"
#include "common/temporary_folder.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

// Acts on the modal dialog the next call opens, then closes it if it is still
// open.
void onNextDialog(std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

QStringList buttonTexts(QDialog* dialog) {
    QStringList texts;
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->isVisible()) texts << button->text();
    }
    texts.sort();
    return texts;
}

TEST(QtTranslations, QtsOwnTextsComeInChinese) {
    testing::application();
    // Installed by the set-up commands and required by the package.
    ASSERT_TRUE(ui::loadQtTranslations(testing::application()));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Open"), QStringLiteral("打开"));
    EXPECT_TRUE(QCoreApplication::translate("QFileDialog", "File &name:")
                    .startsWith(QStringLiteral("文件名")));

    // A file chooser says nothing in English (buttons, labels).
    QFileDialog chooser;
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    for (QPushButton* button : chooser.findChildren<QPushButton*>()) {
        if (button->text().isEmpty()) continue;
        EXPECT_FALSE(button->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]{3}"))))
            << button->text().toStdString();
    }
}

TEST(ChooserFolders, OpensWhereAskedOrLastUsedOrHomeButNeverInTheDataFolder) {
    TemporaryFolder folder;
    const fs::path data = folder / "data", home = folder / "home", photos = folder / "photos";
    for (const fs::path& made : {data / "backup", home, photos}) fs::create_directories(made);
    fs::create_directory_symlink(data / "backup", folder / "link");

    ui::ChooserFolders folders(data, home);
    EXPECT_EQ(folders.startFolder(), home);
    EXPECT_EQ(folders.startFolder(data), home);
    EXPECT_EQ(folders.startFolder(data / "backup"), home);
    EXPECT_EQ(folders.startFolder(folder / "link"), home);  // into the data folder by a link
    EXPECT_EQ(folders.startFolder(folder / "missing"), home);
    EXPECT_EQ(folders.startFolder(photos), photos);

    folders.used(photos);
    EXPECT_EQ(folders.startFolder(), photos);
    EXPECT_EQ(folders.startFolder(data), photos);
    folders.used(data / "backup");  // never remembered
    EXPECT_EQ(folders.startFolder(), photos);
    // A folder beside the data folder whose name begins the same is no part of it.
    fs::create_directories(folder / "data2");
    EXPECT_EQ(folders.startFolder(folder / "data2"), folder / "data2");
}

class StandardDialogsTest : public testing::GuiTest {
  protected:
    StandardDialogsTest() {
        qputenv("HOME", QByteArray::fromStdString((folder_ / "home").string()));
        fs::create_directories(folder_ / "home");
        fs::create_directories(folder_ / "data");
        user.setParentWindow(window_.get());
        user.setDataFolder(folder_ / "data");
    }
    ~StandardDialogsTest() override { qputenv("HOME", home_); }

    QByteArray home_ = qgetenv("HOME");
    ui::QtUserInteraction user;
};

TEST_F(StandardDialogsTest, TheInputBoxHasTheRequestsTitleAndChineseButtons) {
    QString title;
    QStringList buttons;
    onNextDialog([&](QDialog* dialog) {
        title = dialog->windowTitle();
        buttons = buttonTexts(dialog);
        auto* box = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(box, nullptr);
        box->setTextValue(QStringLiteral("孩子"));
        box->accept();
    });
    const auto typed = user.askText({gbk("添加家庭成员"), gbk("请输入项目内容："), ""});
    EXPECT_EQ(title, QStringLiteral("添加家庭成员"));
    EXPECT_EQ(buttons, (QStringList{"取消", "确定"}));
    EXPECT_EQ(typed, gbk("孩子"));
}

TEST_F(StandardDialogsTest, FileChoosersOpenAtHomeThenWhereTheUserLastChose) {
    const fs::path home = folder_ / "home", bills = folder_ / "home" / "bills";
    fs::create_directories(bills);
    QString opened;
    onNextDialog([&](QDialog* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        opened = chooser->directory().absolutePath();
    });
    // The export asks for the data folder; it is not offered.
    EXPECT_FALSE(user.chooseFolder(gbk("选择"), folder_ / "data"));
    EXPECT_EQ(opened.toStdString(), home.string());

    onNextDialog([&](QDialog* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        opened = chooser->directory().absolutePath();
        chooser->selectFile(QString::fromStdString((bills / "may.csv").string()));
        QMetaObject::invokeMethod(chooser, "accept");
    });
    const auto saved = user.chooseSaveFile({gbk("导出"), "result.csv", {gbk("CSV (*.csv)")}});
    EXPECT_EQ(opened.toStdString(), home.string());
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, bills / "may.csv");

    onNextDialog([&](QDialog* dialog) {
        opened = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
    });
    EXPECT_TRUE(user.chooseOpenFiles({gbk("打开"), {gbk("JPG (*.jpg)")}}).empty());
    EXPECT_EQ(opened.toStdString(), bills.string());
}

}  // namespace
}  // namespace qinghe
