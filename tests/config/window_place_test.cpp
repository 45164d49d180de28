#include <gtest/gtest.h>

#include <filesystem>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "config/settings.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

class WindowPlaceTest : public ::testing::Test {
  protected:
    fs::path systemIni() const { return folder_.path() / "setup" / "system.ini"; }
    std::string key(const char* name) const {
        return readIniString(systemIni(), "setup", name, "<missing>");
    }

    TemporaryFolder folder_;
    RunDirectory run_{folder_.path()};
    FixedClock clock_{42136.5};
};

TEST_F(WindowPlaceTest, TheDrawnPlaceIsTheDefaultAndAFreshFileHoldsNoneOfItsKeys) {
    const Settings settings = loadSettings(run_, clock_);
    EXPECT_EQ(windowPlace(settings), (WindowPlace{50, 50, 800, 613, false}));
    for (const char* name : {"winx", "winy", "winwidth", "winheight", "winmax"})
        EXPECT_EQ(key(name), "<missing>") << name;
}

TEST_F(WindowPlaceTest, APlaceSetIsReadBackAndTheOtherKeysStay) {
    Settings settings = loadSettings(run_, clock_);
    ASSERT_TRUE(writeIniString(systemIni(), "setup", "later", "kept"));
    const WindowPlace place{-8, 1200, 1600, 900, true};
    ASSERT_TRUE(setWindowPlace(run_, settings, place));
    EXPECT_EQ(windowPlace(settings), place);
    EXPECT_EQ(key("winx"), "-8");
    EXPECT_EQ(key("winmax"), "1");
    EXPECT_EQ(key("later"), "kept");
    EXPECT_EQ(key("sjzd"), "1");
    const Settings reloaded = loadSettings(run_, clock_);
    EXPECT_EQ(windowPlace(reloaded), place);

    // Saved whole, the file keeps the place; back at the defaults it leaves them out.
    ASSERT_TRUE(saveSettings(run_, reloaded));
    EXPECT_EQ(windowPlace(loadSettings(run_, clock_)), place);
    Settings drawn = reloaded;
    ASSERT_TRUE(setWindowPlace(run_, drawn, WindowPlace{}));
    ASSERT_TRUE(saveSettings(run_, drawn));
    EXPECT_EQ(key("winwidth"), "<missing>");
    EXPECT_EQ(windowPlace(loadSettings(run_, clock_)), WindowPlace{});
}

TEST_F(WindowPlaceTest, NumbersThatAreNoneReadAsZeroForTheWindowToRefuse) {
    loadSettings(run_, clock_);
    ASSERT_TRUE(writeIniString(systemIni(), "setup", "winwidth", "wide"));
    ASSERT_TRUE(writeIniString(systemIni(), "setup", "winmax", "yes"));
    const Settings settings = loadSettings(run_, clock_);
    EXPECT_EQ(settings.windowWidth, 0);
    EXPECT_FALSE(settings.windowMaximized);
}

}  // namespace
}  // namespace qinghe
