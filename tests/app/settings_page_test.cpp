#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include "app/welcome_page.h"
#include "common/standard_messages.h"
#include "config/settings_texts.h"
#include "config/ui/settings_page.h"
#include "tests/app/gui_fixture.h"

namespace qinghe {
namespace {

class SettingsPageTest : public testing::GuiTest {
  protected:
    ui::SettingsPage& page() { return *window_->settingsPage(); }
};

TEST_F(SettingsPageTest, CheckBoxesWriteTheirKeyAtOnceAndCancelKeepsThem) {
    const struct {
        std::function<QCheckBox*()> box;
        const char* key;
        const char* ticked;
        const char* unticked;
    } cases[] = {
        {[&] { return window_->welcomePage()->hideWelcomeBox(); }, "qsy", "0", "1"},
        {[&] { return page().visualGuidanceBox(); }, "sjzd", "1", "0"},
        {[&] { return page().startWithComputerBox(); }, "kjzqd", "1", "0"},
        {[&] { return page().startInBackgroundBox(); }, "qdhqhdht", "1", "0"},
        {[&] { return page().idleLockBox(); }, "kxzdsd", "1", "0"},
    };
    finishStartUp();
    window_->selectPage(MainWindow::kSettingsPage);
    for (const auto& control : cases) {
        SCOPED_TRACE(control.key);
        QCheckBox* box = control.box();
        const bool wasTicked = box->isChecked();
        box->click();
        EXPECT_EQ(systemIni(control.key), wasTicked ? control.unticked : control.ticked);
        box->click();
        EXPECT_EQ(systemIni(control.key), wasTicked ? control.ticked : control.unticked);
        box->click();
    }
    EXPECT_FALSE(state_.settings.startupGuide);
    EXPECT_FALSE(state_.settings.visualGuidance);
    EXPECT_TRUE(state_.settings.idleLock);

    page().cancelButton()->click();
    EXPECT_EQ(window_->currentPage(), MainWindow::kWelcomePage);
    EXPECT_EQ(systemIni("qsy"), "0");
    EXPECT_EQ(systemIni("sjzd"), "0");
    EXPECT_EQ(systemIni("kxzdsd"), "1");
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(SettingsPageTest, StartWithComputerAddsAndRemovesTheAutostartEntry) {
    const auto entry = folder_ / "autostart" / "qinghe.desktop";
    page().startWithComputerBox()->click();
    EXPECT_TRUE(std::filesystem::exists(entry));
    page().startWithComputerBox()->click();
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(SettingsPageTest, IdleMinutesStoreTheMagnitudeOfWhatIsTyped) {
    const struct {
        const char* typed;
        const char* shown;
        const char* stored;
    } cases[] = {
        {"-15", "-15", "15"},
        {"", "", "0"},
        {"2x0", "20", "20"},  // only digits get in
        {"-", "-", "0"},
    };
    QLineEdit* edit = page().idleMinutesEdit();
    for (const auto& input : cases) {
        SCOPED_TRACE(input.typed);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromLatin1(input.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(input.shown));
        EXPECT_EQ(systemIni("sdjg"), input.stored);
    }
}

TEST_F(SettingsPageTest, SaveWritesEveryFileAndSaysSo) {
    const auto setup = folder_ / "setup";
    for (const char* file : {"system.ini", "szxm.ini", "csrqje.ini", "jtcy.ini"})
        std::filesystem::remove(setup / file);
    page().saveButton()->click();
    for (const char* file : {"system.ini", "szxm.ini", "csrqje.ini", "jtcy.ini"})
        EXPECT_TRUE(std::filesystem::exists(setup / file)) << file;
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, settings_texts::kSettingsSaved);
    EXPECT_EQ(user_.messages[0].title, texts::kSuccessTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Information);
}

TEST_F(SettingsPageTest, RestoringDefaultsAsksDeletesTheSettingsAndEnds) {
    const auto setup = folder_ / "setup";
    user_.answers = {MessageAnswer::Cancel};
    page().restoreDefaultsButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, settings_texts::kConfirmRestoreDefaults);
    EXPECT_EQ(user_.messages[0].title, settings_texts::kRestoreDefaultsTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(user_.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(std::filesystem::exists(setup / "system.ini"));
    EXPECT_EQ(user_.endCalls, 0);

    page().restoreDefaultsButton()->click();
    ASSERT_EQ(user_.messages.size(), 3u);
    EXPECT_EQ(user_.messages[2].text, settings_texts::kDefaultsRestored);
    EXPECT_EQ(user_.messages[2].title, settings_texts::kDefaultsRestoredTitle);
    EXPECT_EQ(user_.messages[2].icon, MessageIcon::Information);
    EXPECT_FALSE(std::filesystem::exists(setup));
    EXPECT_EQ(user_.endCalls, 1);
}

TEST_F(SettingsPageTest, InitialBalanceButtonEditsTheStoredStartAndAmount) {
    state_.settings.startDate = 42005;  // 2015-01-01
    user_.formVisits = {{{"2014-03-09", "12.5"}}};
    page().initialAmountButton()->click();
    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::InitialBalance);
    EXPECT_EQ(user_.formRequests[0].initial.at(0), "2015-01-01");
    EXPECT_EQ(state_.settings.startDate, 41707);  // 2014-03-09
    EXPECT_EQ(state_.settings.initialAmount, 12.5);
}

}  // namespace
}  // namespace qinghe
