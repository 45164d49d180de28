#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "maintenance/maintenance_texts.h"
#include "session/password_check.h"
#include "session/password_texts.h"
#include "session/user_store.h"
#include "shell/shell_texts.h"
#include "shell/startup.h"
#include "tables/schemas.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

// A run of the program over a temporary run directory, with a fixed clock and
// scripted answers.
class StartupTest : public ::testing::Test {
  protected:
    std::unique_ptr<AppState> newState() {
        return std::make_unique<AppState>(RunDirectory(folder_.path()), files_, clock_, user_);
    }

    // Runs a first start that logs in, so later starts find an installation.
    void install() {
        user_.passwordVisits.push_back({"470913"});
        auto state = newState();
        ASSERT_TRUE(startUp(*state).loggedIn);
        shutDown(*state);
        user_ = testing::ScriptedUser{};
    }

    void setLoginPassword(const std::string& password) {
        auto state = newState();
        ASSERT_TRUE(openUserStore(*state));
        ASSERT_TRUE(state->tables.select(tables::kUserAlias));
        ASSERT_TRUE(state->tables.write(tables::field::kPass, password));
    }

    void writeSetting(const char* key, const char* value) {
        ASSERT_TRUE(writeIniString(folder_ / "setup/system.ini", "setup", key, value));
    }

    bool exists(const std::string& relative) { return std::filesystem::exists(folder_ / relative); }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.75};
    testing::ScriptedUser user_;
};

TEST_F(StartupTest, FirstStartMakesEverythingAndAsksForTheInitialPassword) {
    user_.passwordVisits.push_back({"470913"});
    auto state = newState();
    StartupResult result = startUp(*state);
    ASSERT_TRUE(result.loggedIn);
    EXPECT_TRUE(result.freshInstallation);
    EXPECT_EQ(user_.progressTexts, std::vector<std::string>{maintenance_texts::kBackupProgress});
    EXPECT_TRUE(exists("backup/books"));
    EXPECT_TRUE(exists("backup/data"));
    // The login dialog tells a fresh installation its password.
    ASSERT_EQ(user_.passwordRequests.size(), 1u);
    EXPECT_EQ(user_.passwordRequests[0].note, shell::kInitialPasswordNote);
    for (const char* ini : {"system.ini", "szxm.ini", "csrqje.ini", "jtcy.ini"})
        EXPECT_TRUE(exists(std::string("setup/") + ini)) << ini;
    EXPECT_EQ(readIniString(folder_ / "setup/system.ini", "setup", "lastbackup", ""), "2015-05-12");
    EXPECT_EQ(result.startPage, 0);
    EXPECT_TRUE(result.showWindow);
    EXPECT_TRUE(user_.messages.empty());

    // The user store reads back under the store password.
    closeDown(*state);
    store::TableStore tables(files_, clock_);
    ASSERT_TRUE(tables.open(folder_ / "user/user.edb", "user", tables::kStorePassword));
    EXPECT_EQ(store::toText(*tables.read("pass")), "470913");
    EXPECT_EQ(store::toInteger(*tables.read("needpass")), 0);
}

TEST_F(StartupTest, WrongPasswordsAreRetriedUntilTheRightOne) {
    install();
    user_.passwordVisits.push_back({"1", "47091", "470913 ", "470913"});
    auto state = newState();
    StartupResult result = startUp(*state);
    EXPECT_TRUE(result.loggedIn);
    EXPECT_FALSE(result.freshInstallation);
    EXPECT_EQ(user_.passwordRequests.at(0).note, "");
    ASSERT_EQ(user_.messages.size(), 3u);
    for (const auto& message : user_.messages) {
        EXPECT_EQ(message.text, password_texts::kWrongPassword);
        EXPECT_EQ(message.title, shell::kErrorTitle);
        EXPECT_EQ(message.icon, MessageIcon::Error);
    }
    EXPECT_EQ(user_.endCalls, 0);
}

TEST_F(StartupTest, LeavingTheLoginEndsTheProgramWithoutLoadingSettings) {
    install();
    std::filesystem::remove_all(folder_ / "setup");
    std::filesystem::remove_all(folder_ / "backup");
    user_.passwordVisits.push_back({"wrong"});
    auto state = newState();
    StartupResult result = startUp(*state);
    EXPECT_FALSE(result.loggedIn);
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[1].text, shell::kLoginRefused);
    EXPECT_EQ(user_.endCalls, 1);
    EXPECT_FALSE(state->tables.hasCurrentTable());  // everything closed
    // The start-up backup ran before the login; settings were never loaded.
    EXPECT_TRUE(exists("backup/data"));
    EXPECT_FALSE(exists("setup/szxm.ini"));
    EXPECT_EQ(state->settings.backupMode, BackupMode::Periodic);
}

// Leaving the login without typing anything is no wrong password: the
// program ends without saying one was typed.
TEST_F(StartupTest, CancellingTheLoginUntypedEndsWithoutCallingThePasswordWrong) {
    struct Case {
        testing::ScriptedUser::PasswordVisit typed;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {{}, {}},
        {{"wrong"}, {password_texts::kWrongPassword, shell::kLoginRefused}},
    };
    for (const Case& c : cases) {
        install();
        user_.passwordVisits.push_back(c.typed);
        auto state = newState();
        EXPECT_FALSE(startUp(*state).loggedIn);
        std::vector<std::string> shown;
        for (const Message& message : user_.messages) shown.push_back(message.text);
        EXPECT_EQ(shown, c.messages) << c.typed.size();
        EXPECT_EQ(user_.endCalls, 1);
        EXPECT_FALSE(state->tables.hasCurrentTable());
    }
}

TEST_F(StartupTest, AnEmptyLoginPasswordAsksNothing) {
    install();
    setLoginPassword("");
    auto state = newState();
    EXPECT_TRUE(startUp(*state).loggedIn);
    EXPECT_TRUE(user_.passwordRequests.empty());
}

TEST_F(StartupTest, StoredSettingsChooseTheStartPageAndTheTray) {
    install();
    writeSetting("qsy", "0");
    writeSetting("qdhqhdht", "1");
    user_.passwordVisits.push_back({"470913"});
    auto state = newState();
    StartupResult result = startUp(*state);
    EXPECT_EQ(result.startPage, 1);
    EXPECT_FALSE(result.showWindow);
}

TEST_F(StartupTest, ADamagedUserStoreIsNotReplacedByADefaultOne) {
    install();
    std::ofstream(folder_ / "user/user.edb", std::ios::trunc) << "garbage";
    auto state = newState();
    EXPECT_FALSE(startUp(*state).loggedIn);
    EXPECT_EQ(user_.messages.at(0).text, shell::kUserStoreUnusable);
    EXPECT_EQ(user_.endCalls, 1);
    std::ifstream in(folder_ / "user/user.edb");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "garbage");
}

class ShutdownTest : public StartupTest {};

TEST_F(ShutdownTest, CancellingTheExitQuestionChangesNothing) {
    user_.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
    EXPECT_FALSE(confirmExit(user_));
    EXPECT_TRUE(confirmExit(user_));
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[0].text, shell::kConfirmExit);
    EXPECT_EQ(user_.messages[0].title, shell::kExitTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(user_.messages[0].buttons, MessageButtons::OkCancel);
}

// Every start backs up before the login whatever the mode, and records the
// date; only the mode "每次退出时备份" backs up at exit, once every table is
// closed.
TEST_F(ShutdownTest, BackupsAtStartAndExitFollowTheMode) {
    const struct {
        const char* mode;
        bool atExit;
    } cases[] = {{"0", false}, {"1", false}, {"2", true}, {"3", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        folder_.clear();
        install();
        writeSetting("backupmode", c.mode);
        writeSetting("lastbackup", "2000-01-01");
        std::filesystem::create_directories(folder_ / "data");
        std::ofstream(folder_ / "data/new.edb") << c.mode;
        user_.passwordVisits.push_back({"470913"});
        auto state = newState();
        ASSERT_TRUE(startUp(*state).loggedIn);
        std::ifstream copy(folder_ / "backup/data/new.edb");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), c.mode);
        EXPECT_EQ(readIniString(folder_ / "setup/system.ini", "setup", "lastbackup", ""),
                  "2015-05-12");
        EXPECT_EQ(state->settings.lastBackup, clock_.today());
        EXPECT_EQ(user_.progressTexts.size(), 1u);

        std::ofstream(folder_ / "data/exit.edb") << "x";
        shutDown(*state);
        EXPECT_EQ(exists("backup/data/exit.edb"), c.atExit);
        EXPECT_FALSE(state->tables.hasCurrentTable());
        EXPECT_TRUE(user_.messages.empty());
    }
}

// The start-up backup is on the disk when the program goes on, and the oldest
// generation beyond the number kept is gone by then.
TEST_F(StartupTest, TheStartUpBackupKeepsTheNumberOfGenerationsSet) {
    install();
    writeSetting("backupkeep", "2");
    std::filesystem::create_directories(folder_ / "data");
    for (const char* version : {"1", "2", "3"}) {
        SCOPED_TRACE(version);
        std::ofstream(folder_ / "data/new.edb") << version;
        user_.passwordVisits.push_back({"470913"});
        auto state = newState();
        ASSERT_TRUE(startUp(*state).loggedIn);
        EXPECT_FALSE(exists("backup/unflushed.txt"));
        std::size_t generations = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            generations += entry.path().filename().string().starts_with("backup") ? 1 : 0;
        EXPECT_EQ(generations, 2u);
        shutDown(*state);
    }
}

// A start-up backup that cannot be made is told once, before the login, and
// the program starts all the same; lastbackup stays as it was, so that in the
// mode "定期自动备份" the periodic check tries again. A failed backup at exit
// is told too.
TEST_F(StartupTest, AnAutomaticBackupThatFailsIsToldOnce) {
    const struct {
        const char* mode;
        const char* days;
        const char* last;
    } cases[] = {
        {"0", "3", "2015-05-09"},  // the periodic backup is due
        {"0", "3", "2015-05-10"}, {"0", "0", "2000-01-01"},
        {"2", "3", "2000-01-01"},  // and again at exit
        {"3", "3", "2000-01-01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.days + " " + c.last);
        folder_.clear();
        install();
        writeSetting("backupmode", c.mode);
        writeSetting("backuptime", c.days);
        writeSetting("lastbackup", c.last);
        // A registry that cannot be copied: no backup completes.
        std::filesystem::remove(folder_ / "books/books.edb");
        std::filesystem::create_directories(folder_ / "books/books.edb");
        user_.passwordVisits.push_back({"470913"});
        auto state = newState();
        ASSERT_TRUE(startUp(*state).loggedIn);
        EXPECT_EQ(user_.progressTexts.size(), 1u);
        EXPECT_EQ(readIniString(folder_ / "setup/system.ini", "setup", "lastbackup", ""), c.last);
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].text, maintenance_texts::kBackupFailed);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
        // The login goes on.
        EXPECT_EQ(user_.passwordRequests.size(), 1u);

        shutDown(*state);
        EXPECT_EQ(user_.messages.size(), std::string(c.mode) == "2" ? 2u : 1u);
        EXPECT_EQ(user_.messages.back().text, maintenance_texts::kBackupFailed);
    }
}

TEST(PasswordCheck, OutcomesFollowTheLastAttempt) {
    struct Case {
        std::vector<std::string> typed;
        PasswordOutcome outcome;
        std::size_t errors;
    };
    for (const Case& c : std::vector<Case>{{{}, PasswordOutcome::Cancelled, 0},
                                           {{"x"}, PasswordOutcome::Incorrect, 1},
                                           {{"x", "y", "pw"}, PasswordOutcome::Correct, 2},
                                           {{"PW"}, PasswordOutcome::Incorrect, 1}}) {
        testing::ScriptedUser user;
        user.passwordVisits.push_back(c.typed);
        EXPECT_EQ(verifyPassword(user, "pw"), c.outcome);
        EXPECT_EQ(user.messages.size(), c.errors);
    }
    // An empty expected password matches an empty box.
    testing::ScriptedUser user;
    user.passwordVisits.push_back({""});
    EXPECT_EQ(verifyPassword(user, ""), PasswordOutcome::Correct);
}

}  // namespace
}  // namespace qinghe
