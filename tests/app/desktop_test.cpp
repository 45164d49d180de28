#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/about_page.h"
#include "app/cjk_font.h"
#include "app/help_window.h"
#include "app/main_window_texts.h"
#include "app/user_guide.h"
#include "app/welcome_page.h"
#include "common/run_directory.h"
#include "tests/app/gui_fixture.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

class DesktopTest : public testing::GuiTest {
  protected:
    // A guide of two pages, the first linking the second.
    fs::path writeGuide() {
        fs::create_directories(folder_ / "guide");
        std::ofstream(folder_ / "guide" / "index.html")
            << "<html><body><h1>使用说明</h1><a href=\"more.html\">更多</a></body></html>";
        std::ofstream(folder_ / "guide" / "more.html") << "<html><body><p>第二页</p></body></html>";
        return folder_ / "guide" / "index.html";
    }
};

TEST_F(DesktopTest, HelpButtonOpensTheGuideInOneWindow) {
    const fs::path guide = writeGuide();
    window_->setUserGuide(guide);
    window_->welcomePage()->helpButton()->click();
    EXPECT_TRUE(user_.messages.empty()) << "no \"missing guide\" message";
    ui::HelpWindow* help = window_->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->browser()->source(), QUrl::fromLocalFile(QString::fromStdString(guide)));
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("使用说明")));

    // A link leads on inside the window; "目录" comes back.
    help->browser()->setSource(QUrl(QStringLiteral("more.html")));
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("第二页")));
    help->showStart();
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("使用说明")));

    help->close();
    window_->welcomePage()->helpButton()->click();
    EXPECT_EQ(window_->helpWindow(), help) << "the same window again";
    EXPECT_TRUE(help->isVisible());
}

TEST_F(DesktopTest, F1OpensTheGuideAnywhereInTheWindow) {
    window_->setUserGuide(writeGuide());
    QShortcut* f1 = nullptr;
    for (QShortcut* shortcut : window_->findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence(Qt::Key_F1)) f1 = shortcut;
    }
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->context(), Qt::WindowShortcut);
    window_->selectPage(MainWindow::kSettingsPage);
    emit f1->activated();
    ASSERT_NE(window_->helpWindow(), nullptr);
    EXPECT_TRUE(window_->helpWindow()->isVisible());
}

TEST_F(DesktopTest, MissingGuideFileIsToldAsBefore) {
    const fs::path guide = writeGuide();
    window_->setUserGuide(guide);
    fs::remove(guide);
    window_->welcomePage()->helpButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, ui::kNoHelpFile);
    EXPECT_EQ(window_->helpWindow(), nullptr);
}

// The guide shipped with the program is found from the build folder, and
// every page, picture and anchor it names is there.
TEST(UserGuide, ShippedGuideIsFoundAndWhole) {
    const fs::path guide = ui::findUserGuide(executableDirectory());
    ASSERT_FALSE(guide.empty());
    std::ifstream in(guide);
    const QString html = QString::fromStdString(
        {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    const QStringList topics = {
        QStringLiteral("470913"),
        QStringLiteral("账簿"),
        QStringLiteral("记账"),
        QStringLiteral("凭证"),
        QStringLiteral("查账"),
        QStringLiteral("数据统计"),
        QStringLiteral("导出"),
        QStringLiteral("备份"),
        QStringLiteral("还原"),
        QStringLiteral("锁定"),
        QStringLiteral(".local/share/qinghe"),
        QStringLiteral("qinghe-cli"),
        QStringLiteral("--data-dir"),
    };
    for (const QString& topic : topics) EXPECT_TRUE(html.contains(topic)) << topic.toStdString();

    int pictures = 0;
    const QRegularExpression reference(QStringLiteral("(?:src|href)=\"([^\"#]*)(#[^\"]*)?\""));
    for (auto match = reference.globalMatch(html); match.hasNext();) {
        const auto found = match.next();
        const QString target = found.captured(1);
        const QString anchor = found.captured(2);
        if (target.startsWith(QStringLiteral("http"))) continue;
        if (!target.isEmpty()) {
            EXPECT_TRUE(fs::exists(guide.parent_path() / target.toStdString()))
                << target.toStdString();
            if (target.endsWith(QStringLiteral(".png"))) ++pictures;
        } else if (anchor.size() > 1) {
            EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(anchor.mid(1))))
                << anchor.toStdString();
        }
    }
    EXPECT_GE(pictures, 8) << "the screenshots of the pages";
}

TEST_F(DesktopTest, AboutPageShowsTheDataFolderAndOpensIt) {
    ui::AboutPage* about = window_->aboutPage();
    const QString folder = QString::fromStdString(folder_.path().string());
    EXPECT_EQ(about->dataFolderLabel()->text(), folder);

    // The file manager is whatever handles file: addresses; a browser stands in.
    QTextBrowser opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "setSource");
    about->openDataFolderButton()->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(opened.source(), QUrl::fromLocalFile(folder));
    EXPECT_TRUE(user_.messages.empty());
}

TEST(CjkFont, ChineseFamilyChosenOnlyWhenTheDefaultLacksChinese) {
    const QStringList installed = {QStringLiteral("AR PL UMing CN"),
                                   QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("Noto Serif CJK SC")};
    const struct {
        const char* what;
        bool defaultHasChinese;
        QStringList families;
        QString expected;
    } cases[] = {
        {"default writes Chinese", true, installed, QString()},
        {"preferred face first", false, installed, QStringLiteral("Noto Sans CJK SC")},
        {"case of the name",
         false,
         {QStringLiteral("wenquanyi micro hei")},
         QStringLiteral("wenquanyi micro hei")},
        {"any Chinese face", false, {QStringLiteral("Some Song")}, QStringLiteral("Some Song")},
        {"none installed", false, {}, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ui::cjkFamilyFor(c.defaultHasChinese, c.families), c.expected);
    }
}

TEST(CjkFont, TheApplicationFontWritesChinese) {
    testing::application();
    ui::useChineseCapableFont();
    const QFontMetrics metrics(QApplication::font());
    EXPECT_TRUE(metrics.inFontUcs4(U'账'));
}

}  // namespace
}  // namespace qinghe
