#include "config/settings_actions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/standard_messages.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "config/settings_texts.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

// The settings page's flows over a run directory of their own, with scripted
// answers; the autostart entry goes into the same folder.
class SettingsActionsTest : public ::testing::Test {
  protected:
    SettingsActionsTest() { settings_ = loadSettings(run_, clock_); }

    SettingsPageContext page() { return {run_, settings_, user_, autostart_}; }

    // A folder where the file should be: neither a write nor a replacement
    // can succeed there, whoever runs the test.
    static void blockFile(const fs::path& file) {
        fs::remove(file);
        fs::create_directories(file / "blocked");
    }

    // The one error shown, which must name `file` and nothing claims success.
    void expectOnlyErrorNaming(const fs::path& file) {
        ASSERT_EQ(user_.messages.size(), 1u);
        const Message& shown = user_.messages[0];
        EXPECT_EQ(shown.icon, MessageIcon::Error);
        EXPECT_EQ(shown.title, texts::kErrorTitle);
        EXPECT_EQ(shown.text.rfind(settings_texts::kSettingsNotSaved, 0), 0u) << shown.text;
        EXPECT_NE(shown.text.find(pathToGbk(file)), std::string::npos) << shown.text;
    }

    TemporaryFolder folder_;
    RunDirectory run_{folder_.path()};
    FixedClock clock_{42136.5};
    testing::ScriptedUser user_;
    AutostartPlaces autostart_{folder_ / "autostart", folder_ / "qinghe"};
    Settings settings_;
};

TEST_F(SettingsActionsTest, SaveAllNamesEachFileThatCannotBeWritten) {
    const struct {
        const char* file;
        fs::path (*path)(const RunDirectory&);
    } cases[] = {
        {"system.ini", systemIniFile},
        {"szxm.ini", itemsIniFile},
        {"csrqje.ini", balanceIniFile},
        {"jtcy.ini", membersIniFile},
    };
    for (const auto& broken : cases) {
        SCOPED_TRACE(broken.file);
        user_.messages.clear();
        const fs::path file = broken.path(run_);
        blockFile(file);
        EXPECT_FALSE(saveAllSettings(page()));
        expectOnlyErrorNaming(file);
        // The other three were written all the same.
        for (const auto& other : cases) {
            if (other.path != broken.path) {
                EXPECT_TRUE(fs::is_regular_file(other.path(run_)));
            }
        }
        fs::remove_all(file);
    }

    user_.messages.clear();
    EXPECT_TRUE(saveAllSettings(page()));
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, settings_texts::kSettingsSaved);
    EXPECT_EQ(user_.messages[0].title, texts::kSuccessTitle);
}

TEST_F(SettingsActionsTest, SwitchesTellAFailedWriteButStillTakeEffect) {
    blockFile(systemIniFile(run_));
    EXPECT_FALSE(changeSettingSwitch(page(), SettingSwitch::IdleLock, true));
    expectOnlyErrorNaming(systemIniFile(run_));
    // The lock follows the box at once, written or not.
    EXPECT_TRUE(settings_.idleLock);

    user_.messages.clear();
    EXPECT_FALSE(changeIdleMinutes(page(), "-15"));
    expectOnlyErrorNaming(systemIniFile(run_));
    EXPECT_EQ(settings_.idleMinutes, 15);

    fs::remove_all(systemIniFile(run_));
    user_.messages.clear();
    EXPECT_TRUE(changeSettingSwitch(page(), SettingSwitch::HideWelcome, true));
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(readIniString(systemIniFile(run_), "setup", "qsy", "?"), "0");
}

TEST_F(SettingsActionsTest, StartWithComputerTellsAnAutostartEntryItCannotWrite) {
    std::ofstream(folder_ / "autostart") << "a file where the folder should be";
    EXPECT_FALSE(changeSettingSwitch(page(), SettingSwitch::StartWithComputer, true));
    expectOnlyErrorNaming(autostart_.entry());
    EXPECT_TRUE(settings_.startWithComputer);
    EXPECT_EQ(readIniString(systemIniFile(run_), "setup", "kjzqd", "?"), "1");
}

TEST_F(SettingsActionsTest, RestoringDefaultsAlsoStopsStartingWithTheComputer) {
    ASSERT_TRUE(changeSettingSwitch(page(), SettingSwitch::StartWithComputer, true));
    ASSERT_TRUE(fs::exists(autostart_.entry()));

    int kept = 0;
    bool keeps = true;
    const auto keepSettings = [&] {
        ++kept;
        return keeps;
    };
    user_.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(restoreDefaults(page(), keepSettings));
    EXPECT_EQ(kept, 0);
    EXPECT_TRUE(fs::exists(autostart_.entry()));
    EXPECT_TRUE(fs::exists(systemIniFile(run_)));
    EXPECT_EQ(user_.endCalls, 0);

    // Settings that could not be kept first: given up, nothing deleted.
    keeps = false;
    EXPECT_FALSE(restoreDefaults(page(), keepSettings));
    EXPECT_EQ(kept, 1);
    EXPECT_TRUE(fs::exists(autostart_.entry()));
    EXPECT_TRUE(fs::exists(systemIniFile(run_)));
    EXPECT_EQ(user_.endCalls, 0);

    keeps = true;
    user_.messages.clear();
    EXPECT_TRUE(restoreDefaults(page(), keepSettings));
    EXPECT_EQ(kept, 2);
    EXPECT_FALSE(fs::exists(autostart_.entry()));
    EXPECT_FALSE(fs::exists(setupFolder(run_)));
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[1].text, settings_texts::kDefaultsRestored);
    EXPECT_EQ(user_.endCalls, 1);

    // The next start finds the default: not starting with the computer.
    EXPECT_FALSE(loadSettings(run_, clock_).startWithComputer);
}

}  // namespace
}  // namespace qinghe
