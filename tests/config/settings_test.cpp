#include "config/settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "common/run_directory.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

const std::string kWages = gbkText("工资");
const std::string kBonus = gbkText("奖金");
const std::string kMeals = gbkText("餐饮");
const std::string kFather = gbkText("爸爸");
const std::string kMother = gbkText("妈妈");

using Names = std::vector<std::string>;

// A run directory of its own, with "now" fixed to 2015-05-12 14:30.
class SettingsTest : public ::testing::Test {
  protected:
    SettingsTest()
        : run_(folder_.path()), clock_(dateTimeFromCivil(2015, 5, 12, 14, 30, 0).value()) {}

    fs::path file(const std::string& name) const { return folder_.path() / "setup" / name; }

    void put(const std::string& name, const std::string& bytes) const {
        fs::create_directories(folder_.path() / "setup");
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string contents(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    Names setupFiles() const {
        Names names;
        for (const auto& entry : fs::directory_iterator(folder_.path() / "setup")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    Settings load() const { return loadSettings(run_, clock_); }

    TemporaryFolder folder_;
    RunDirectory run_;
    FixedClock clock_;
};

constexpr char kDefaultSystemIni[] =
    "[setup]\r\nqsy=1\r\nsjzd=1\r\nkjzqd=0\r\nqdhqhdht=0\r\nkxzdsd=0\r\nsdjg=0\r\n"
    "backupmode=0\r\nbackuptime=0\r\nlastbackup=2015-05-12\r\n";

// ---- Loading and the defaults ------------------------------------------------

TEST_F(SettingsTest, FirstLoadWritesAllFourFilesWithTheirDefaults) {
    const Settings settings = load();

    EXPECT_TRUE(settings.startupGuide);
    EXPECT_TRUE(settings.visualGuidance);
    EXPECT_FALSE(settings.startWithComputer);
    EXPECT_FALSE(settings.startInBackground);
    EXPECT_FALSE(settings.idleLock);
    EXPECT_EQ(settings.idleMinutes, 0);
    EXPECT_EQ(settings.backupMode, BackupMode::Periodic);
    EXPECT_EQ(settings.backupDays, 0);
    EXPECT_EQ(settings.lastBackup, clock_.today());
    EXPECT_TRUE(settings.incomeItems.empty());
    EXPECT_TRUE(settings.expenseItems.empty());
    EXPECT_TRUE(settings.members.empty());
    EXPECT_EQ(settings.startDate, clock_.today()) << "only the date is stored";
    EXPECT_EQ(settings.initialAmount, 0.0);

    EXPECT_EQ(setupFiles(), (Names{"csrqje.ini", "jtcy.ini", "system.ini", "szxm.ini"}));
    EXPECT_EQ(contents("system.ini"), kDefaultSystemIni);
    EXPECT_EQ(contents("szxm.ini"), "[list1]\r\nnumber=0\r\n[list2]\r\nnumber=0\r\n");
    EXPECT_EQ(contents("csrqje.ini"), "[setup]\r\nfirstdata=2015-05-12\r\nfirstmoney=0\r\n");
    EXPECT_EQ(contents("jtcy.ini"), "[list]\r\nnumber=0\r\n");
}

TEST_F(SettingsTest, EachMissingFileIsRecreatedAloneAndTheOthersKept) {
    Settings settings = load();
    settings.startupGuide = false;
    settings.idleMinutes = 5;
    settings.incomeItems = {kWages};
    settings.members = {kFather};
    settings.initialAmount = 12.5;
    ASSERT_TRUE(saveSettings(run_, settings));
    ASSERT_TRUE(saveItemLists(run_, settings));
    ASSERT_TRUE(saveMemberList(run_, settings));
    ASSERT_TRUE(saveInitialBalance(run_, settings));

    ASSERT_TRUE(fs::remove(file("system.ini")));
    clock_.set(dateTimeFromCivil(2016, 1, 2, 8, 0, 0).value());
    const Settings reloaded = load();
    EXPECT_TRUE(reloaded.startupGuide);
    EXPECT_EQ(reloaded.idleMinutes, 0);
    EXPECT_EQ(reloaded.lastBackup, clock_.today()) << "the day of this start";
    EXPECT_EQ(reloaded.incomeItems, Names{kWages});
    EXPECT_EQ(reloaded.members, Names{kFather});
    EXPECT_EQ(reloaded.initialAmount, 12.5);
    EXPECT_EQ(reloaded.startDate, dateFromCivil(2015, 5, 12).value());
}

// Reading without writing gives what loading gives, for a fresh folder and for
// one with some files missing, and leaves the folder exactly as it was.
TEST_F(SettingsTest, ReadingGivesWhatLoadingGivesAndWritesNothing) {
    auto same = [](const Settings& a, const Settings& b) {
        return std::tie(a.startupGuide, a.visualGuidance, a.startWithComputer, a.startInBackground,
                        a.idleLock, a.idleMinutes, a.backupMode, a.backupDays, a.lastBackup,
                        a.backupKeep, a.incomeItems, a.expenseItems, a.members, a.startDate,
                        a.initialAmount) ==
               std::tie(b.startupGuide, b.visualGuidance, b.startWithComputer, b.startInBackground,
                        b.idleLock, b.idleMinutes, b.backupMode, b.backupDays, b.lastBackup,
                        b.backupKeep, b.incomeItems, b.expenseItems, b.members, b.startDate,
                        b.initialAmount);
    };
    // No setup folder at all.
    const Settings read = readSettings(run_, clock_);
    EXPECT_FALSE(fs::exists(folder_.path() / "setup"));
    EXPECT_TRUE(same(read, load()));
    // Two files kept, two missing.
    put("system.ini", "[setup]\r\nqsy=0\r\nsdjg=7\r\n");
    put("jtcy.ini", "[list]\r\nnumber=1\r\n1=x\r\n");
    ASSERT_TRUE(fs::remove(file("szxm.ini")) && fs::remove(file("csrqje.ini")));
    const Settings partly = readSettings(run_, clock_);
    EXPECT_EQ(setupFiles(), (Names{"jtcy.ini", "system.ini"}));
    EXPECT_FALSE(partly.startupGuide);
    EXPECT_EQ(partly.idleMinutes, 7);
    EXPECT_TRUE(same(partly, load()));
}

TEST_F(SettingsTest, MissingKeysReadTheirDefaultsAndNonNumbersReadZero) {
    put("system.ini", "[setup]\r\nqsy=abc\r\nsdjg=12 minutes\r\nkjzqd=\r\nbackuptime=-3\r\n");
    put("csrqje.ini", "[setup]\r\nfirstdata=yesterday\r\n");
    const Settings settings = load();
    EXPECT_FALSE(settings.startupGuide);
    EXPECT_TRUE(settings.visualGuidance) << "missing: its default";
    EXPECT_FALSE(settings.startWithComputer);
    EXPECT_EQ(settings.idleMinutes, 12) << "the leading integer counts";
    EXPECT_EQ(settings.backupDays, -3);
    EXPECT_EQ(settings.lastBackup, clock_.today());
    EXPECT_EQ(settings.startDate, kEarliestDate) << "a date that cannot be read";
    EXPECT_EQ(settings.initialAmount, 0.0);
    EXPECT_EQ(contents("csrqje.ini"), "[setup]\r\nfirstdata=yesterday\r\n") << "existing: kept";
}

// Every reader sees one value: the welcome page, the window and the boxes of
// the settings page agree on a flag, and the backup dialog shows the mode that
// acts.
TEST_F(SettingsTest, AFlagIsOnOnlyWhenItReadsOneAndAModeNamingNoneIsByHand) {
    const struct {
        const char* stored;
        bool on;
        BackupMode mode;
    } cases[] = {
        {"1", true, BackupMode::AtStart},  {"0", false, BackupMode::Periodic},
        {"2", false, BackupMode::AtExit},  {"3", false, BackupMode::ByHand},
        {"7", false, BackupMode::ByHand},  {"-1", false, BackupMode::ByHand},
        {"1x", true, BackupMode::AtStart},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string v = c.stored;
        put("system.ini", "[setup]\r\nqsy=" + v + "\r\nsjzd=" + v + "\r\nkjzqd=" + v +
                              "\r\nqdhqhdht=" + v + "\r\nkxzdsd=" + v + "\r\nbackupmode=" + v +
                              "\r\n");
        const Settings settings = load();
        EXPECT_EQ(settings.startupGuide, c.on);
        EXPECT_EQ(settings.visualGuidance, c.on);
        EXPECT_EQ(settings.startWithComputer, c.on);
        EXPECT_EQ(settings.startInBackground, c.on);
        EXPECT_EQ(settings.idleLock, c.on);
        EXPECT_EQ(settings.backupMode, c.mode);
        ASSERT_TRUE(saveSettings(run_, settings));
        EXPECT_EQ(readIniString(file("system.ini"), "setup", "qsy", "?"), c.on ? "1" : "0");
        EXPECT_EQ(load().backupMode, c.mode);
    }
}

// ---- Name lists -----------------------------------------------------------------

// The list as reading keys "1".."N" one at a time would give it.
Names readOneByOne(const fs::path& file, const std::string& section) {
    Names names;
    const std::int32_t count = textToInteger(readIniString(file, section, "number", "0"));
    for (std::int32_t i = 1; i <= count; ++i) {
        std::string name = readIniString(file, section, std::to_string(i), "");
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

struct ListCase {
    const char* what;
    std::string list1;  // the section's lines
    Names expected;
};

TEST_F(SettingsTest, NameListsReadTheKeysOneToNumberThatHoldAName) {
    const std::string wages = kWages, bonus = kBonus, meals = kMeals;
    const std::vector<ListCase> cases = {
        {"a gap", "number=3\r\n1=" + wages + "\r\n2=\r\n3=" + bonus + "\r\n", {wages, bonus}},
        {"a missing key", "number=3\r\n1=" + wages + "\r\n3=" + bonus + "\r\n", {wages, bonus}},
        {"keys out of order", "number=3\r\n3=" + bonus + "\r\n1=" + wages + "\r\n", {wages, bonus}},
        {"keys past number", "number=1\r\n1=" + wages + "\r\n2=" + bonus + "\r\n", {wages}},
        {"other spellings of 1", "number=2\r\n01=a\r\n+1=b\r\n 1 =" + meals + "\r\n", {meals}},
        {"the first of a repeated key", "number=1\r\n1=" + wages + "\r\n1=" + bonus, {wages}},
        {"a quoted name", "number=1\r\n1=\"" + meals + "\"\r\n", {meals}},
        {"no number", "1=" + wages + "\r\n", {}},
        {"a number that is not one", "number=many\r\n1=" + wages + "\r\n", {}},
        {"a negative number", "number=-2\r\n1=" + wages + "\r\n", {}},
        {"a key beyond 32 bits", "number=2\r\n4294967297=" + wages + "\r\n", {}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.what);
        put("szxm.ini", "[list1]\r\n" + c.list1 + "\r\n[list2]\r\nnumber=0\r\n");
        EXPECT_EQ(load().incomeItems, c.expected);
        EXPECT_EQ(readOneByOne(file("szxm.ini"), "list1"), c.expected);
    }
}

TEST_F(SettingsTest, AHugeNumberReadsOnlyTheKeysThatExist) {
    put("szxm.ini", std::string("[list1]\r\nnumber=2147483647\r\n1=") + kWages + "\r\n2=" + kBonus +
                        "\r\n2147483647=" + kMeals + "\r\n[list2]\r\nnumber=99999999999\r\n");
    put("jtcy.ini", std::string("[list]\r\nnumber=2147483647\r\n5=") + kFather + "\r\n");
    const Settings settings = load();
    EXPECT_EQ(settings.incomeItems, (Names{kWages, kBonus, kMeals}));
    EXPECT_TRUE(settings.expenseItems.empty());
    EXPECT_EQ(settings.members, Names{kFather});
}

TEST_F(SettingsTest, FilesSavedAsUtf8AreReadAsTheTextTheyHold) {
    // In UTF-8, as an editor saves them.
    const std::string wages = "工资";
    const std::string bonus = "奖金";
    const std::string father = "爸爸";
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        // A byte-order mark in front of the first section must not hide it.
        {"csrqje.ini", "\xEF\xBB\xBF[setup]\r\nfirstdata=2014-03-09\r\nfirstmoney=12.5\r\n"},
        {"szxm.ini", "[list1]\nnumber=2\n1=" + wages + "\n2=" + bonus + "\n[list2]\nnumber=0\n"},
        {"jtcy.ini", "\xEF\xBB\xBF[list]\r\nnumber=1\r\n1=" + father + "\r\n"},
    };
    for (const auto& [name, bytes] : files) put(name, bytes);
    Settings settings = load();
    EXPECT_EQ(dateToText(settings.startDate), "2014-03-09");
    EXPECT_EQ(settings.initialAmount, 12.5);
    EXPECT_EQ(settings.incomeItems, (Names{kWages, kBonus}));
    EXPECT_EQ(settings.members, Names{kFather});

    // Written back as the program writes: GBK, without the mark.
    ASSERT_TRUE(saveMemberList(run_, settings));
    EXPECT_EQ(contents("jtcy.ini"), std::string("[list]\r\nnumber=1\r\n1=") + kFather + "\r\n");
    // Plain GBK stays GBK, even where its bytes happen to be few.
    put("szxm.ini", std::string("[list1]\r\nnumber=1\r\n1=") + kMeals + "\r\n");
    EXPECT_EQ(load().incomeItems, Names{kMeals});
}

TEST_F(SettingsTest, ItemListsSaveTheLoadedNamesRenumbered) {
    put("szxm.ini", std::string("[list1]\r\nnumber=3\r\n1=") + kWages + "\r\n2=\r\n3=" + kBonus +
                        "\r\n[list2]\r\nnumber=1\r\n1=" + kMeals + "\r\n");
    const Settings settings = load();
    ASSERT_EQ(settings.incomeItems, (Names{kWages, kBonus}));
    ASSERT_TRUE(saveItemLists(run_, settings));
    EXPECT_EQ(contents("szxm.ini"), std::string("[list1]\r\nnumber=2\r\n1=") + kWages + "\r\n2=" +
                                        kBonus + "\r\n[list2]\r\nnumber=1\r\n1=" + kMeals + "\r\n");
}

TEST_F(SettingsTest, MemberListKeepsThePositionsOfEmptyNames) {
    Settings settings = load();
    settings.members = {kFather, "", kMother};
    ASSERT_TRUE(saveMemberList(run_, settings));
    EXPECT_EQ(contents("jtcy.ini"),
              std::string("[list]\r\nnumber=3\r\n1=") + kFather + "\r\n3=" + kMother + "\r\n");
    EXPECT_EQ(load().members, (Names{kFather, kMother}));
}

TEST_F(SettingsTest, EmptyListsSaveNumberZero) {
    Settings settings = load();
    settings.incomeItems = {kWages};
    ASSERT_TRUE(saveItemLists(run_, settings));
    settings.incomeItems.clear();
    ASSERT_TRUE(saveItemLists(run_, settings));
    EXPECT_EQ(contents("szxm.ini"), "[list1]\r\nnumber=0\r\n[list2]\r\nnumber=0\r\n");
}

// ---- Saving whole files -----------------------------------------------------------

// What deleting the file and writing each key in turn leaves behind.
std::string writtenKeyByKey(const fs::path& folder,
                            const std::vector<std::vector<std::string>>& writes) {
    const fs::path file = folder / "key-by-key.ini";
    fs::remove(file);
    for (const auto& write : writes)
        EXPECT_TRUE(writeIniString(file, write[0], write[1], write[2]));
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(SettingsTest, SavesReplaceTheWholeFileAsKeyByKeyWritingWould) {
    put("system.ini", "; old\r\n[other]\r\nx=1\r\n[setup]\r\nlastbackup=2000-01-01\r\nqsy=1\r\n");
    put("szxm.ini", "[list2]\r\nnumber=9\r\n[list1]\r\nnumber=0\r\n");
    Settings settings = load();
    settings.startupGuide = false;
    settings.visualGuidance = false;
    settings.startWithComputer = true;
    settings.startInBackground = true;
    settings.idleLock = true;
    settings.idleMinutes = 15;
    settings.backupMode = BackupMode::AtExit;
    settings.backupDays = 7;
    settings.lastBackup = dateTimeFromCivil(2014, 12, 31, 23, 0, 0).value();
    settings.incomeItems = {kWages, kBonus};
    settings.expenseItems = {kMeals};

    ASSERT_TRUE(saveSettings(run_, settings));
    ASSERT_TRUE(saveItemLists(run_, settings));
    using Writes = std::vector<std::vector<std::string>>;
    const Writes systemWrites = {
        {"setup", "qsy", "0"},
        {"setup", "sjzd", "0"},
        {"setup", "kjzqd", "1"},
        {"setup", "qdhqhdht", "1"},
        {"setup", "kxzdsd", "1"},
        {"setup", "sdjg", "15"},
        {"setup", "backupmode", "2"},
        {"setup", "backuptime", "7"},
        {"setup", "lastbackup", "2014-12-31"},
    };
    const Writes itemWrites = {
        {"list1", "number", "2"}, {"list1", "1", kWages}, {"list1", "2", kBonus},
        {"list2", "number", "1"}, {"list2", "1", kMeals},
    };
    EXPECT_EQ(contents("system.ini"), writtenKeyByKey(folder_.path(), systemWrites));
    EXPECT_EQ(contents("szxm.ini"), writtenKeyByKey(folder_.path(), itemWrites));
    EXPECT_EQ(setupFiles(), (Names{"csrqje.ini", "jtcy.ini", "system.ini", "szxm.ini"}))
        << "no temporary file left beside them";

    const Settings reloaded = load();
    EXPECT_FALSE(reloaded.startupGuide);
    EXPECT_EQ(reloaded.idleMinutes, 15);
    EXPECT_EQ(reloaded.backupMode, BackupMode::AtExit);
    EXPECT_EQ(reloaded.lastBackup, dateFromCivil(2014, 12, 31).value());
    EXPECT_EQ(reloaded.incomeItems, (Names{kWages, kBonus}));
    EXPECT_EQ(reloaded.expenseItems, Names{kMeals});
}

TEST_F(SettingsTest, ANameThatCannotBeStoredFailsTheSaveButKeepsTheOthers) {
    Settings settings = load();
    settings.incomeItems = {kWages, "two\r\nlines", kBonus};
    EXPECT_FALSE(saveItemLists(run_, settings));
    EXPECT_EQ(contents("szxm.ini"), std::string("[list1]\r\nnumber=3\r\n1=") + kWages +
                                        "\r\n3=" + kBonus + "\r\n[list2]\r\nnumber=0\r\n");
}

TEST_F(SettingsTest, SavesCreateTheSetupFolder) {
    Settings settings;
    settings.members = {kMother};
    ASSERT_TRUE(saveMemberList(run_, settings));
    ASSERT_TRUE(saveSettings(run_, settings));
    EXPECT_EQ(setupFiles(), (Names{"jtcy.ini", "system.ini"}));
}

TEST_F(SettingsTest, WriteDefaultSettingsReplacesSystemIniWithTheDefaults) {
    put("system.ini", "[setup]\r\nqsy=0\r\nextra=1\r\n");
    ASSERT_TRUE(writeDefaultSettings(run_, clock_));
    EXPECT_EQ(contents("system.ini"), kDefaultSystemIni);
}

TEST_F(SettingsTest, WriteIniDocumentKeepsTheModeOfTheFileItReplaces) {
    put("system.ini", "[setup]\r\nqsy=1\r\n");
    ASSERT_EQ(::chmod(file("system.ini").c_str(), 0640), 0);
    IniDocument document;
    ASSERT_TRUE(document.set("setup", "qsy", "0"));
    ASSERT_TRUE(writeIniDocument(file("system.ini"), document));
    EXPECT_EQ(contents("system.ini"), "[setup]\r\nqsy=0\r\n");
    EXPECT_EQ(fs::status(file("system.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(writeIniDocument(folder_.path() / "missing" / "x.ini", document));
}

// ---- Initial date and amount -----------------------------------------------------

TEST_F(SettingsTest, InitialAmountSurvivesSaveAndReloadExactly) {
    const std::vector<std::pair<double, std::string>> cases = {
        {2345678.25, "2345678.25"},
        {1000.5, "1000.5"},
        {0.1, "0.1"},
        {-42.0, "-42"},
        {0.0, "0"},
        {123456789012.34, "123456789012.34"},
    };
    Settings settings = load();
    for (const auto& [amount, text] : cases) {
        SCOPED_TRACE(text);
        settings.initialAmount = amount;
        settings.startDate = dateTimeFromCivil(2014, 3, 4, 18, 45, 0).value();
        ASSERT_TRUE(saveInitialBalance(run_, settings));
        EXPECT_EQ(contents("csrqje.ini"),
                  "[setup]\r\nfirstdata=2014-03-04\r\nfirstmoney=" + text + "\r\n");
        const Settings reloaded = load();
        EXPECT_EQ(reloaded.initialAmount, amount);
        EXPECT_EQ(reloaded.startDate, dateFromCivil(2014, 3, 4).value()) << "at midnight";
    }
}

TEST_F(SettingsTest, StoredAmountTextsRead) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"2.34568e+06", 2345680.0},
        {"2580.75", 2580.75},
        {" 12.5 yuan", 12.5},
        {"abc", 0.0},
        {"", 0.0},
        {"1e999", 0.0},
    };
    for (const auto& [text, amount] : cases) {
        SCOPED_TRACE(text);
        put("csrqje.ini", "[setup]\r\nfirstdata=2015-01-01\r\nfirstmoney=" + text + "\r\n");
        EXPECT_EQ(load().initialAmount, amount);
    }
}

// ---- The settings tab ---------------------------------------------------------------

struct SwitchCase {
    const char* key;
    bool (*set)(const RunDirectory&, Settings&, bool);
    bool Settings::*field;
    bool whenTicked;
};

TEST_F(SettingsTest, EachSwitchChangesMemoryAndWritesItsOwnKeyAtOnce) {
    const std::vector<SwitchCase> cases = {
        {"qsy", setWelcomeHidden, &Settings::startupGuide, false},
        {"sjzd", setVisualGuidance, &Settings::visualGuidance, true},
        {"kjzqd", setStartWithComputer, &Settings::startWithComputer, true},
        {"qdhqhdht", setStartInBackground, &Settings::startInBackground, true},
        {"kxzdsd", setIdleLock, &Settings::idleLock, true},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.key);
        for (const bool ticked : {true, false}) {
            Settings settings = load();
            const bool expected = ticked ? c.whenTicked : !c.whenTicked;
            ASSERT_TRUE(c.set(run_, settings, ticked));
            EXPECT_EQ(settings.*c.field, expected);
            EXPECT_EQ(readIniString(file("system.ini"), "setup", c.key, "?"), expected ? "1" : "0");
            EXPECT_EQ(load().*c.field, expected);
            EXPECT_EQ(readIniDocument(file("system.ini")).keys("setup").size(), 9U)
                << "the other keys stay";
        }
    }
}

TEST_F(SettingsTest, AHiddenWelcomePageSurvivesSaveSettings) {
    Settings settings = load();
    ASSERT_TRUE(setWelcomeHidden(run_, settings, true));
    ASSERT_TRUE(saveSettings(run_, settings));
    EXPECT_EQ(readIniString(file("system.ini"), "setup", "qsy", "?"), "0");
    EXPECT_FALSE(load().startupGuide);
}

TEST_F(SettingsTest, IdleMinutesStoreTheMagnitudeOfTheTypedInteger) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"15", 15},
        {"-15", 15},
        {"", 0},
        {"abc", 0},
        {"7x", 7},
        {"\xA3\xB1\xA3\xB5", 15},  // １５
        {"-2147483648", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::max()},
    };
    Settings settings = load();
    for (const auto& [text, minutes] : cases) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(setIdleMinutesText(run_, settings, text));
        EXPECT_EQ(settings.idleMinutes, minutes);
        EXPECT_EQ(load().idleMinutes, minutes);
    }
}

TEST_F(SettingsTest, BackupSettingsWriteModeAndDays) {
    Settings settings = load();
    ASSERT_TRUE(setBackupSettings(run_, settings, BackupMode::ByHand, 10));
    EXPECT_EQ(settings.backupMode, BackupMode::ByHand);
    EXPECT_EQ(settings.backupDays, 10);
    EXPECT_EQ(readIniString(file("system.ini"), "setup", "backupmode", "?"), "3");
    const Settings reloaded = load();
    EXPECT_EQ(reloaded.backupMode, BackupMode::ByHand);
    EXPECT_EQ(reloaded.backupDays, 10);
}

TEST_F(SettingsTest, SwitchesRecreateAMissingSetupFolder) {
    Settings settings = load();
    fs::remove_all(folder_.path() / "setup");
    ASSERT_TRUE(setIdleLock(run_, settings, true));
    EXPECT_EQ(contents("system.ini"), "[setup]\r\nkxzdsd=1\r\n");
}

TEST_F(SettingsTest, RestoringDefaultsRemovesTheFolderAndTheNextLoadRecreatesIt) {
    Settings settings = load();
    settings.startupGuide = false;
    settings.members = {kFather};
    ASSERT_TRUE(saveSettings(run_, settings));
    ASSERT_TRUE(saveMemberList(run_, settings));
    put("stray.txt", "x");

    ASSERT_TRUE(restoreDefaultSettings(run_));
    EXPECT_FALSE(fs::exists(folder_.path() / "setup"));
    EXPECT_TRUE(fs::exists(folder_.path())) << "only the setup folder goes";

    const Settings fresh = load();
    EXPECT_TRUE(fresh.startupGuide);
    EXPECT_TRUE(fresh.members.empty());
    EXPECT_EQ(setupFiles(), (Names{"csrqje.ini", "jtcy.ini", "system.ini", "szxm.ini"}));
    EXPECT_EQ(contents("system.ini"), kDefaultSystemIni);
}

}  // namespace
}  // namespace qinghe
