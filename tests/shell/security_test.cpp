#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/gbk.h"
#include "common/temporary_folder.h"
#include "session/password_settings.h"
#include "session/password_texts.h"
#include "session/user_store.h"
#include "shell/screen_lock.h"
#include "shell/shell_texts.h"
#include "tables/schemas.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_user.h"

// The screen lock, the important-operation password and the login password.

namespace qinghe {
namespace {

using testing::ScriptedUser;

// The main window as the lock sees it.
class RecordingLockView : public LockView {
  public:
    int currentPage() const override { return page; }
    void selectPage(int selected) override { page = selected; }
    void setToolbarEnabled(bool enabled) override { toolbarEnabled = enabled; }

    int page = 0;
    bool toolbarEnabled = true;
};

class SecurityTest : public ::testing::Test {
  protected:
    SecurityTest() { EXPECT_TRUE(openUserStore(state_)); }

    // The user store as the next start reads it.
    std::pair<std::string, bool> storedUser() {
        ScriptedUser user;
        store::PosixFileSystem files;
        AppState next(RunDirectory(folder_.path()), files, clock_, user);
        // Read-only: the store is still open here.
        next.tables.setReadOnly(true);
        EXPECT_TRUE(openUserStore(next));
        return {next.loginPassword, next.needPass};
    }

    void setStored(const std::string& password, bool needPass) {
        auto& tables = state_.tables;
        ASSERT_TRUE(tables.select(tables::kUserAlias));
        ASSERT_TRUE(tables.write(tables::field::kPass, password));
        ASSERT_TRUE(tables.write(tables::field::kNeedPass, std::int32_t{needPass ? 1 : 0}));
        state_.loginPassword = password;
        state_.needPass = needPass;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : user_.messages) texts.push_back(message.text);
        return texts;
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.75};
    ScriptedUser user_;
    AppState state_{RunDirectory(folder_.path()), files_, clock_, user_};
};

// --- the idle lock ------------------------------------------------------------

TEST(IdleLock, LocksOnlyWhenSwitchedOnWithAPeriodThatHasPassed) {
    const struct {
        bool idleLock;
        int idleMinutes;
        std::int64_t idle;
        bool locked;
        bool due;
    } cases[] = {
        {true, 5, 5 * 60000, false, true},           {true, 5, 5 * 60000 - 1, false, false},
        {true, 5, 9 * 60000, true, false},            // locked already
        {false, 5, 99 * 60000, false, false},         // switched off
        {true, 0, 1000LL * 60000, false, false},      // 0 minutes never locks
        {true, 35791, 35791LL * 60000, false, true},  // no overflow of the minutes
    };
    for (const auto& c : cases) {
        ScriptedUser user;
        store::PosixFileSystem files;
        FixedClock clock(0);
        AppState state(RunDirectory("/nonexistent"), files, clock, user);
        state.settings.idleLock = c.idleLock;
        state.settings.idleMinutes = c.idleMinutes;
        state.locked = c.locked;
        EXPECT_EQ(idleLockDue(state, c.idle), c.due)
            << c.idleLock << " " << c.idleMinutes << " " << c.idle << " " << c.locked;
    }
}

TEST_F(SecurityTest, LockingRemembersThePageAndUnlockingNeedsTheLoginPassword) {
    RecordingLockView view;
    view.page = 2;
    lockSoftware(state_, view);
    EXPECT_EQ(view.page, kLockPageNumber);
    EXPECT_FALSE(view.toolbarEnabled);
    EXPECT_TRUE(state_.locked);
    // A second lock keeps the page of the first.
    lockSoftware(state_, view);
    EXPECT_EQ(state_.rememberedPage, 2);

    // Wrong, then left: still locked, no message of the lock's own.
    user_.passwordVisits.push_back({"470914"});
    EXPECT_FALSE(unlockSoftware(state_, view));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{password_texts::kWrongPassword});
    EXPECT_EQ(view.page, kLockPageNumber);
    EXPECT_FALSE(view.toolbarEnabled);
    EXPECT_TRUE(state_.locked);

    user_.passwordVisits.push_back({"470913"});
    EXPECT_TRUE(unlockSoftware(state_, view));
    EXPECT_EQ(view.page, 2);
    EXPECT_TRUE(view.toolbarEnabled);
    EXPECT_FALSE(state_.locked);
}

TEST_F(SecurityTest, AnEmptyLoginPasswordUnlocksWithAnEmptyBox) {
    setStored("", false);
    RecordingLockView view;
    lockSoftware(state_, view);
    user_.passwordVisits.push_back({""});
    EXPECT_TRUE(unlockSoftware(state_, view));
    EXPECT_EQ(user_.passwordRequests.size(), 1u);
    EXPECT_FALSE(state_.locked);
}

TEST_F(SecurityTest, BackToTheSettingsPageAsksTwiceWhenImportantOperationsNeedThePassword) {
    const struct {
        const char* name;
        int page;
        bool needPass;
        std::vector<ScriptedUser::PasswordVisit> visits;
        int pageAfter;
        std::size_t questions;
        std::vector<std::string> messages;
    } cases[] = {
        {"settings, needpass, both given", 5, true, {{"470913"}, {"470913"}}, 5, 2, {}},
        {"settings, needpass, second refused",
         5,
         true,
         {{"470913"}, {}},
         0,
         2,
         {shell::kSettingsAccessRefused}},
        {"settings, needpass, second wrong",
         5,
         true,
         {{"470913"}, {"x"}},
         0,
         2,
         {password_texts::kWrongPassword, shell::kSettingsAccessRefused}},
        {"settings without needpass", 5, false, {{"470913"}}, 5, 1, {}},
        {"another page with needpass", 3, true, {{"470913"}}, 3, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        user_ = ScriptedUser{};
        state_.needPass = c.needPass;
        RecordingLockView view;
        view.page = c.page;
        lockSoftware(state_, view);
        user_.passwordVisits.assign(c.visits.begin(), c.visits.end());
        EXPECT_TRUE(unlockSoftware(state_, view));
        EXPECT_EQ(view.page, c.pageAfter);
        EXPECT_TRUE(view.toolbarEnabled);
        EXPECT_FALSE(state_.locked);
        EXPECT_EQ(user_.passwordRequests.size(), c.questions);
        EXPECT_EQ(messageTexts(), c.messages);
        if (!c.messages.empty()) {
            EXPECT_EQ(user_.messages.back().title, shell::kErrorTitle);
            EXPECT_EQ(user_.messages.back().icon, MessageIcon::Error);
        }
    }
}

// --- 重要操作需要校验密码 ---------------------------------------------------------

TEST_F(SecurityTest, TheImportantOperationBoxStoresItsValueAndGuardsItsUntick) {
    const struct {
        const char* name;
        bool needPass;
        bool ticked;
        std::vector<ScriptedUser::PasswordVisit> visits;
        bool boxAfter;
        bool stored;
        std::size_t questions;
    } cases[] = {
        {"ticked: no question", false, true, {}, true, true, 0},
        {"unticked, cancelled", true, false, {{}}, true, true, 1},
        {"unticked, wrong then left", true, false, {{"x"}}, true, true, 1},
        {"unticked, right", true, false, {{"470913"}}, false, false, 1},
        {"unticked while off: no question", false, false, {}, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        user_ = ScriptedUser{};
        setStored("470913", c.needPass);
        user_.passwordVisits.assign(c.visits.begin(), c.visits.end());
        EXPECT_EQ(changeNeedPassword(state_, c.ticked), c.boxAfter);
        EXPECT_EQ(state_.needPass, c.stored);
        EXPECT_EQ(storedUser().second, c.stored);
        EXPECT_EQ(user_.passwordRequests.size(), c.questions);
    }
}

TEST_F(SecurityTest, TheBoxReopensTheUserStoreAfterEveryTableWasClosed) {
    EXPECT_TRUE(state_.tables.closeAll());
    EXPECT_TRUE(changeNeedPassword(state_, true));
    EXPECT_EQ(storedUser().second, 1);
    EXPECT_TRUE(user_.messages.empty());
}

// --- 修改登录密码 -----------------------------------------------------------------

// Checks, when "成功" is shown, that the next start would already find the
// new password.
class CheckingUser : public ScriptedUser {
  public:
    std::function<void()> onSuccess;
    MessageAnswer showMessage(const Message& message) override {
        if (message.text == password_texts::kLoginPasswordChanged && onSuccess) onSuccess();
        return ScriptedUser::showMessage(message);
    }
};

TEST_F(SecurityTest, TheLoginPasswordChangesOnlyWhenTheOldOneIsRightAndTheNewOneTypedTwice) {
    CheckingUser user;
    AppState state(RunDirectory(folder_.path()), files_, clock_, user);
    ASSERT_TRUE(openUserStore(state));
    const std::string twentyBytes = gbkText("青禾") + "0123456789abcdef";
    user.formVisits.push_back({
        {"47091", "new", "new"},                           // old one wrong
        {"470913", "new", "New"},                          // the two differ
        {"470913", twentyBytes + "x", twentyBytes + "x"},  // longer than the store keeps
        {"470913", twentyBytes, twentyBytes},
    });
    std::string storedWhenTold;
    user.onSuccess = [&] { storedWhenTold = storedUser().first; };
    EXPECT_TRUE(changeLoginPassword(state));

    ASSERT_EQ(user.formRequests.size(), 1u);
    EXPECT_EQ(user.formRequests[0].kind, FormKind::ChangeLoginPassword);
    ASSERT_EQ(user.messages.size(), 4u);
    EXPECT_EQ(user.messages[0].text, password_texts::kOldLoginPasswordWrong);
    EXPECT_EQ(user.messages[1].text, password_texts::kNewPasswordsDiffer);
    EXPECT_EQ(user.messages[2].text, password_texts::kNewPasswordTooLong);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(user.messages[i].icon, MessageIcon::Error);
    EXPECT_EQ(user.messages[3].text, password_texts::kLoginPasswordChanged);
    EXPECT_EQ(user.messages[3].title, password_texts::kSuccessTitle);
    EXPECT_EQ(storedWhenTold, twentyBytes);
    EXPECT_EQ(state.loginPassword, twentyBytes);

    // Every check afterwards compares with the new one.
    RecordingLockView view;
    lockSoftware(state, view);
    user.passwordVisits.push_back({"470913", twentyBytes});
    EXPECT_TRUE(unlockSoftware(state, view));
}

TEST_F(SecurityTest, ALeftFormOrAFailedWriteChangesNothing) {
    user_.formVisits.push_back({{"470913", "a", "b"}});
    EXPECT_FALSE(changeLoginPassword(state_));
    EXPECT_EQ(state_.loginPassword, "470913");
    EXPECT_EQ(storedUser().first, "470913");

    // A disk that takes no more writes.
    EXPECT_TRUE(state_.tables.closeAll());
    testing::FaultyFileSystem full(0);
    ScriptedUser user;
    AppState failing(RunDirectory(folder_.path()), full, clock_, user);
    ASSERT_TRUE(openUserStore(failing));
    user.formVisits.push_back({{"470913", "new", "new"}});
    EXPECT_FALSE(changeLoginPassword(failing));
    ASSERT_EQ(user.messages.size(), 1u);
    EXPECT_EQ(user.messages[0].text, password_texts::kLoginPasswordNotSaved);
    EXPECT_EQ(failing.loginPassword, "470913");
    EXPECT_TRUE(failing.tables.closeAll());
    EXPECT_EQ(storedUser().first, "470913");
}

TEST_F(SecurityTest, AnEmptyNewPasswordSwitchesTheLoginQuestionOff) {
    user_.formVisits.push_back({{"470913", "", ""}});
    EXPECT_TRUE(changeLoginPassword(state_));
    EXPECT_EQ(storedUser().first, "");
}

}  // namespace
}  // namespace qinghe
