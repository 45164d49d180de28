#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/gbk.h"
#include "config/ini_file.h"
#include "config/settings.h"
#include "maintenance/maintenance_actions.h"
#include "maintenance/maintenance_texts.h"
#include "session/password_texts.h"
#include "session/user_store.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/maintenance/maintenance_fixture.h"
#include "tests/support/faulty_folder_operations.h"
#include "tests/support/scripted_user.h"

// The backup dialog, restore and initialisation as the settings page runs
// them: questions, messages, what is stored and what the program does next.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using maintenance::PosixFolderOperations;
using testing::FaultyFolderOperations;
using testing::ScriptedUser;
using Files = testing::MaintenanceSandbox::Files;
namespace mt = maintenance_texts;

class MaintenanceFlowsTest : public ::testing::Test {
  protected:
    MaintenanceFlowsTest() { restart(); }

    // A new run over the same folder, logged in, settings loaded.
    void restart() {
        state_.reset();
        user_ = ScriptedUser{};
        state_ = std::make_unique<AppState>(box_->run(), files_, box_->clock(), user_);
        EXPECT_TRUE(openUserStore(*state_));
        state_->settings = loadSettings(box_->run(), box_->clock());
    }

    void setLoginPassword(const std::string& password, bool needPass) {
        auto& tables = state_->tables;
        ASSERT_TRUE(tables.select(tables::kUserAlias));
        ASSERT_TRUE(tables.write(tables::field::kPass, password));
        ASSERT_TRUE(tables.write(tables::field::kNeedPass, std::int32_t{needPass ? 1 : 0}));
        ASSERT_TRUE(tables.commit());
        state_->loginPassword = password;
        state_->needPass = needPass;
    }

    std::string systemIni(const char* key) {
        return readIniString(systemIniFile(box_->run()), "setup", key, "<missing>");
    }

    // data/home.edb made and left open, with one entry added: its table's
    // files do not hold the entry until the table is closed.
    void openTableWithAnEntry() {
        auto& tables = state_->tables;
        const fs::path table = box_->at("data/home.edb");
        fs::create_directories(table.parent_path());
        ASSERT_TRUE(tables.createTable(table, tables::entryFields(), tables::kStorePassword));
        ASSERT_TRUE(tables.open(table, "", tables::kStorePassword));
        ASSERT_TRUE(tables.append() && tables.write(tables::field::kAmount, 12.5) &&
                    tables.commit());
    }

    // A backup generation of the data of `version`, as the start-up backup makes it.
    std::string backupOf(const std::string& version) {
        box_->putData(version);
        box_->clock().set(box_->clock().now() + 1.0 / 24);
        const auto outcome =
            maintenance::backUpAndRecord(ops_, box_->run(), box_->clock(), &state_->settings);
        EXPECT_TRUE(outcome.complete);
        return outcome.id;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : user_.messages) texts.push_back(message.text);
        return texts;
    }

    std::vector<std::string> idsOf(const std::vector<maintenance::Generation>& generations) {
        std::vector<std::string> ids;
        for (const auto& generation : generations) ids.push_back(generation.id);
        return ids;
    }

    // Only the live folders, the settings, the user store and the generations.
    void expectNothingLeftOver() {
        for (const std::string& name : box_->names()) {
            EXPECT_TRUE(name == "books" || name == "data" || name == "setup" || name == "user" ||
                        name == ".qinghe.lock" || name == "backup" || name.starts_with("backup-"))
                << name;
        }
    }

    // A run directory of its own for one case of a table.
    void freshRunDirectory() {
        state_.reset();
        box_ = std::make_unique<testing::MaintenanceSandbox>();
        restart();
    }

    std::unique_ptr<testing::MaintenanceSandbox> box_ =
        std::make_unique<testing::MaintenanceSandbox>();
    store::PosixFileSystem files_;
    PosixFolderOperations ops_;
    ScriptedUser user_;
    std::unique_ptr<AppState> state_;
};

// --- the backup dialog ---------------------------------------------------------

TEST_F(MaintenanceFlowsTest, BackupDialogShowsTheStoredValuesAndOkStoresThemAll) {
    ASSERT_TRUE(setBackupSettings(box_->run(), state_->settings, BackupMode::AtExit, 7));
    user_.formVisits.push_back({{"3", "10", "4"}});
    maintenance::runBackupDialog(*state_, ops_);

    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::BackupSettings);
    EXPECT_EQ(user_.formRequests[0].initial, (std::vector<std::string>{"2", "7", "5"}));
    EXPECT_TRUE(user_.formRequests[0].immediateAction);
    EXPECT_EQ(state_->settings.backupMode, BackupMode::ByHand);
    EXPECT_EQ(state_->settings.backupDays, 10);
    EXPECT_EQ(state_->settings.backupKeep, 4);
    EXPECT_EQ(systemIni("backupmode"), "3");
    EXPECT_EQ(systemIni("backuptime"), "10");
    EXPECT_EQ(systemIni("backupkeep"), "4");
    EXPECT_TRUE(user_.messages.empty());
    // The start-up backup reads it before any setting is loaded.
    EXPECT_EQ(readBackupsKept(box_->run()), 4);
    // "保存设置" keeps it; the default is not written at all.
    ASSERT_TRUE(saveSettings(box_->run(), state_->settings));
    EXPECT_EQ(loadSettings(box_->run(), box_->clock()).backupKeep, 4);
    state_->settings.backupKeep = kDefaultBackupsKept;
    ASSERT_TRUE(saveSettings(box_->run(), state_->settings));
    EXPECT_EQ(systemIni("backupkeep"), "<missing>");
}

TEST_F(MaintenanceFlowsTest, CancelOrRefusedValuesChangeNothingInMemoryOrInTheFile) {
    const struct {
        const char* name;
        ScriptedUser::FormVisit visit;
        std::vector<std::string> errors;
    } cases[] = {
        {"cancelled at once", {}, {}},
        // The mode changed in the form, then "取消".
        {"cancelled after typing", {}, {}},
        {"too few kept, then cancelled", {{"2", "9", "1"}}, {mt::kBackupsKeptOutOfRange}},
        {"too many kept, then cancelled", {{"1", "9", "100"}}, {mt::kBackupsKeptOutOfRange}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        const std::string before = box_->get("setup/system.ini");
        user_.formVisits.push_back(c.visit);
        maintenance::runBackupDialog(*state_, ops_);
        EXPECT_EQ(messageTexts(), c.errors);
        EXPECT_EQ(state_->settings.backupMode, BackupMode::Periodic);
        EXPECT_EQ(state_->settings.backupDays, 0);
        EXPECT_EQ(state_->settings.backupKeep, kDefaultBackupsKept);
        EXPECT_EQ(box_->get("setup/system.ini"), before);
    }
    // Refused once, the form stays open for the right value.
    restart();
    user_.formVisits.push_back({{"1", "3", "0"}, {"1", "3", "2"}});
    maintenance::runBackupDialog(*state_, ops_);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{mt::kBackupsKeptOutOfRange});
    EXPECT_EQ(state_->settings.backupKeep, 2);
    EXPECT_EQ(systemIni("backupmode"), "1");
}

TEST_F(MaintenanceFlowsTest, BackUpNowWorksBehindTheProgressWindowAndTheDialogStaysOpen) {
    ASSERT_TRUE(writeIniString(systemIniFile(box_->run()), "setup", "lastbackup", "2000-01-01"));
    state_->settings.lastBackup = 36526;
    box_->putData("1");
    user_.formVisits.push_back({ScriptedUser::kPressImmediateAction, {"0", "0", "5"}});
    maintenance::runBackupDialog(*state_, ops_);

    EXPECT_EQ(user_.progressTexts, std::vector<std::string>{maintenance_texts::kBackupProgress});
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, mt::kBackupDone);
    EXPECT_EQ(user_.messages[0].title, mt::kDoneTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(box_->generationData(box_->at("backup")), box_->liveData());
    // lastbackup follows every completed backup, in memory and in the file.
    EXPECT_EQ(systemIni("lastbackup"), "2015-05-12");
    EXPECT_EQ(state_->settings.lastBackup, box_->clock().today());
}

TEST_F(MaintenanceFlowsTest, BackUpNowCopiesTheChangesOpenTablesHoldInMemory) {
    ASSERT_NO_FATAL_FAILURE(openTableWithAnEntry());
    ASSERT_TRUE(maintenance::backUpNow(*state_, ops_));
    EXPECT_TRUE(state_->tables.closeAll());
    // The open table's log went with it, holding nothing more by then.
    auto held = box_->generationData(box_->at("backup"));
    EXPECT_EQ(held.erase("data/home.edb-log"), 1u);
    EXPECT_TRUE(held == box_->liveData());
}

// A program that ended without closing its tables leaves their last changes
// in their logs only. The next start backs up before any table is opened:
// the generation holds those changes all the same (a restore's safety
// generation takes its files the same way).
TEST_F(MaintenanceFlowsTest, ChangesLeftInALogByACrashAreInTheBackups) {
    auto& tables = state_->tables;
    ASSERT_NO_FATAL_FAILURE(openTableWithAnEntry());
    // The folder as the crash leaves it, taken while the table is still open.
    testing::MaintenanceSandbox crashed;
    const auto left = box_->filesBelow("data");
    ASSERT_TRUE(left.contains("home.edb-log"));
    for (const auto& [name, bytes] : left) crashed.put("data/" + name, bytes);
    EXPECT_TRUE(tables.closeAll());

    const auto entriesIn = [&](const fs::path& file) {
        store::TableStore reader(files_, box_->clock());
        reader.setReadOnly(true);
        EXPECT_TRUE(reader.open(file, "", tables::kStorePassword));
        return reader.recordCount();
    };
    ASSERT_EQ(entriesIn(crashed.at("data/home.edb")), 1);
    ASSERT_TRUE(crashed.backup(ops_).newGeneration);
    EXPECT_EQ(entriesIn(crashed.at("backup/data/home.edb")), 1);
}

TEST_F(MaintenanceFlowsTest, AFailedBackupIsToldAndKeepsLastBackup) {
    box_->putData("1");
    const std::string earlier = backupOf("1");
    box_->putData("2");
    ASSERT_TRUE(writeIniString(systemIniFile(box_->run()), "setup", "lastbackup", "2000-01-01"));
    FaultyFolderOperations failing(3);
    EXPECT_FALSE(maintenance::backUpNow(*state_, failing));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{mt::kBackupFailed});
    EXPECT_EQ(systemIni("lastbackup"), "2000-01-01");
    EXPECT_EQ(box_->generations(ops_).front().id, earlier);
}

// Fails every copy into a restore being built, or every rename that would
// put a restored folder in place.
class FailingRestore : public FaultyFolderOperations {
  public:
    explicit FailingRestore(bool swapFails) : swapFails_(swapFails) {}
    maintenance::CopyReport copyFile(const fs::path& from, const fs::path& to) override {
        if (!swapFails_ && to.parent_path().extension() == ".restore") return {};
        return FaultyFolderOperations::copyFile(from, to);
    }
    bool rename(const fs::path& from, const fs::path& to) override {
        if (swapFails_ && from.extension() == ".restore") return false;
        return FaultyFolderOperations::rename(from, to);
    }

  private:
    bool swapFails_;
};

// Lists nothing of the data folder, as when it cannot be read.
class UnreadableData : public FaultyFolderOperations {
  public:
    explicit UnreadableData(fs::path data) : data_(std::move(data)) {}
    std::optional<std::vector<maintenance::FolderEntry>> list(const fs::path& folder) override {
        if (folder == data_) return std::nullopt;
        return FaultyFolderOperations::list(folder);
    }

  private:
    fs::path data_;
};

// Fails every rename of a live folder: an initialisation that is decided
// cannot be finished.
class LiveFoldersStuck : public FaultyFolderOperations {
  public:
    bool rename(const fs::path& from, const fs::path& to) override {
        if (from.filename() == "books" || from.filename() == "data") return false;
        return FaultyFolderOperations::rename(from, to);
    }
};

// A backup the program makes by itself (or on demand) that fails or is
// blocked is told in one message saying why; once the disk lets it, the next
// one finishes what was left and is made, without a word.
TEST_F(MaintenanceFlowsTest, ABackupThatCannotBeMadeIsToldInOneMessage) {
    enum class Cause { CopyFails, DataUnreadable, RestoreStuck, InitialisationStuck };
    const struct {
        const char* name;
        Cause cause;
        std::string message;
    } causes[] = {
        {"a copy fails", Cause::CopyFails, mt::kBackupFailed},
        {"the data cannot be read", Cause::DataUnreadable, mt::kBackupDataUnreadable},
        {"a restore cannot be finished", Cause::RestoreStuck, mt::kBackupBlockedByRestore},
        {"an initialisation cannot be finished", Cause::InitialisationStuck,
         mt::kBackupBlockedByInitialise},
    };
    using maintenance::BackupMoment;
    for (const BackupMoment moment : {BackupMoment::Start, BackupMoment::Exit,
                                      BackupMoment::Periodic, BackupMoment::OnDemand}) {
        for (const auto& c : causes) {
            SCOPED_TRACE(::testing::Message() << c.name << ", moment " << static_cast<int>(moment));
            freshRunDirectory();
            backupOf("1");
            box_->putData("2");
            std::unique_ptr<FaultyFolderOperations> ops;
            switch (c.cause) {
                case Cause::CopyFails:
                    ops = std::make_unique<FaultyFolderOperations>(3);
                    break;
                case Cause::DataUnreadable:
                    ops = std::make_unique<UnreadableData>(box_->at("data"));
                    break;
                case Cause::RestoreStuck:
                    ops = std::make_unique<FailingRestore>(true);
                    ASSERT_EQ(maintenance::restoreChosen(*ops, box_->run(), box_->clock(),
                                                         &state_->settings,
                                                         box_->generations(ops_).front(), true)
                                  .result,
                              maintenance::RestoreResult::Pending);
                    break;
                case Cause::InitialisationStuck:
                    ops = std::make_unique<LiveFoldersStuck>();
                    ASSERT_EQ(maintenance::initialiseData(*ops, box_->run()),
                              maintenance::InitialiseResult::Pending);
                    break;
            }
            const auto generations = idsOf(box_->generations(ops_));
            user_ = ScriptedUser{};

            EXPECT_FALSE(maintenance::backUpAt(*state_, *ops, moment).complete);
            EXPECT_EQ(messageTexts(), std::vector<std::string>{c.message});
            EXPECT_EQ(user_.messages.at(0).icon, MessageIcon::Error);
            EXPECT_EQ(user_.progressTexts.size(), moment == BackupMoment::Exit ? 0u : 1u);
            EXPECT_EQ(idsOf(box_->generations(ops_)), generations);

            user_ = ScriptedUser{};
            EXPECT_TRUE(maintenance::backUpAt(*state_, ops_, moment).complete);
            EXPECT_EQ(messageTexts(), moment == BackupMoment::OnDemand
                                          ? std::vector<std::string>{mt::kBackupDone}
                                          : std::vector<std::string>{});
            expectNothingLeftOver();
        }
    }
}

TEST(PeriodicBackup, IsDueWhenLastBackupIsTheIntervalOldOrOlder) {
    const double today = 42136.75;  // 2015-05-12 18:00
    const struct {
        std::int32_t mode;
        std::int32_t days;
        double last;
        bool due;
    } cases[] = {
        {0, 3, 42133.9, true},                           // three days ago
        {0, 3, 42134.0, false},                          // two
        {0, 1, 42135.99, true}, {0, 1, 42136.2, false},  // today
        {0, 0, 40000, false},                            // no interval: no periodic backup
        {0, -3, 40000, false},  {1, 3, 40000, false},    // other modes back up at their own moments
        {3, 3, 40000, false},   {0, 3, 42200, true},  // in the future: none can have been made then
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.backupMode = backupModeFromStored(c.mode);
        settings.backupDays = c.days;
        settings.lastBackup = c.last;
        EXPECT_EQ(maintenance::periodicBackupDue(settings, today), c.due)
            << c.mode << " " << c.days << " " << c.last;
    }
}

// --- restore -------------------------------------------------------------------

TEST_F(MaintenanceFlowsTest, RestoreRefusedOrCancelledChangesNothing) {
    const struct {
        const char* name;
        bool backups;
        bool needPass;
        std::vector<ScriptedUser::PasswordVisit> passwords;
        std::vector<ScriptedUser::FormVisit> choices;
        std::vector<MessageAnswer> answers;
        std::vector<std::string> messages;
    } cases[] = {
        {"password refused", true, 1, {{}}, {}, {}, {}},
        {"password wrong, then left",
         true,
         1,
         {{"nope"}},
         {},
         {},
         {password_texts::kWrongPassword}},
        {"no backup at all", false, 0, {}, {}, {}, {mt::kNoBackupToRestore}},
        {"choice cancelled", true, 0, {}, {{}}, {}, {}},
        {"question cancelled",
         true,
         0,
         {},
         {{{"0"}}},
         {MessageAnswer::Cancel},
         {mt::kConfirmRestoreLatest}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freshRunDirectory();
        setLoginPassword("secret", c.needPass);
        if (c.backups) backupOf("1");
        box_->putData("2");
        const auto generations = box_->generations(ops_).size();
        user_.passwordVisits.assign(c.passwords.begin(), c.passwords.end());
        user_.formVisits.assign(c.choices.begin(), c.choices.end());
        user_.answers.assign(c.answers.begin(), c.answers.end());

        EXPECT_FALSE(maintenance::restoreBackup(*state_, ops_));
        EXPECT_EQ(messageTexts(), c.messages);
        EXPECT_EQ(box_->get("data/home.edb"), "home table 2");
        EXPECT_EQ(box_->generations(ops_).size(), generations);
        EXPECT_TRUE(user_.progressTexts.empty());
    }
}

TEST_F(MaintenanceFlowsTest, RestoringTheLatestKeepsTheLoginPasswordAndEndsTheProgram) {
    setLoginPassword("secret", 1);
    backupOf("1");
    box_->putData("2");
    user_.passwordVisits.push_back({"secret"});
    user_.formVisits.push_back({{"0"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));

    // The choice shows every generation, the latest first and marked.
    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::RestoreChoice);
    // The row chosen as it opens, then one row a generation: date, ledgers, size.
    ASSERT_EQ(user_.formRequests[0].initial.size(), 2u);
    EXPECT_EQ(user_.formRequests[0].initial[0], "0");
    EXPECT_TRUE(user_.formRequests[0].initial[1].starts_with(
        "2015-05-12 19:00:00" + std::string(mt::kLatestMark) + "\t1" + mt::kLedgersUnit + "\t"))
        << user_.formRequests[0].initial[1];
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[0].text, mt::kConfirmRestoreLatest);
    EXPECT_EQ(user_.messages[0].title, mt::kRestoreTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(user_.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(user_.messages[1].text, mt::kRestoreDone);
    EXPECT_EQ(user_.messages[1].title, mt::kDoneTitle);
    EXPECT_EQ(box_->get("data/home.edb"), "home table 1");
    EXPECT_FALSE(state_->tables.hasCurrentTable());

    // The next start finds the password it had, not the published default.
    restart();
    EXPECT_EQ(state_->loginPassword, "secret");
    EXPECT_TRUE(state_->needPass);
}

TEST_F(MaintenanceFlowsTest, RestoreOfAnOlderGenerationCanItselfBeUndone) {
    const std::string first = backupOf("1");
    backupOf("2");
    box_->putData("3");
    const Files before = box_->liveData();

    // The older one, second in the list.
    user_.formVisits.push_back({{"1"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));
    EXPECT_EQ(box_->get("data/home.edb"), "home table 1");
    ASSERT_GE(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, std::string(mt::kConfirmRestorePrefix) +
                                          " 2015-05-12 19:00:00 " + mt::kConfirmRestoreSuffix);
    // The data of before the restore is the newest generation now.
    const auto generations = box_->generations(ops_);
    ASSERT_EQ(generations.size(), 3u);
    EXPECT_EQ(box_->generationData(generations[0].folder), before);
    EXPECT_EQ(generations[2].id, first);

    restart();
    user_.formVisits.push_back({{"0"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));
    EXPECT_EQ(box_->liveData(), before);
}

TEST_F(MaintenanceFlowsTest, TheGenerationChosenIsKeptEvenWhenItIsTheOldestKept) {
    state_->settings.backupKeep = 2;
    const std::string first = backupOf("1");
    backupOf("2");
    box_->putData("3");
    user_.formVisits.push_back({{"1"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));
    EXPECT_EQ(box_->get("data/home.edb"), "home table 1");
}

TEST_F(MaintenanceFlowsTest, WhenTheDataCannotBeBackedUpFirstTheUserDecides) {
    backupOf("1");
    box_->putData("2");
    for (const MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        SCOPED_TRACE(answer == MessageAnswer::Ok ? "go on" : "stop");
        restart();
        user_.formVisits.push_back({{"0"}});
        user_.answers = {MessageAnswer::Ok, answer};
        // The registry is a folder: it cannot be copied, so no backup completes.
        fs::remove(box_->at("books/books.edb"));
        fs::create_directories(box_->at("books/books.edb"));
        const bool ended = maintenance::restoreBackup(*state_, ops_);
        EXPECT_EQ(ended, answer == MessageAnswer::Ok);
        ASSERT_GE(user_.messages.size(), 2u);
        EXPECT_EQ(user_.messages[1].text, mt::kSafetyBackupFailedRestore);
        EXPECT_EQ(user_.messages[1].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(box_->get("data/home.edb"),
                  answer == MessageAnswer::Ok ? "home table 1" : "home table 2");
        fs::remove_all(box_->at("books"));
        box_->putData("2");
    }
}

TEST_F(MaintenanceFlowsTest, AFailedRestoreIsToldAndKeepsTheData) {
    backupOf("1");
    box_->putData("2");
    user_.formVisits.push_back({{"0"}});
    FailingRestore failing(false);
    EXPECT_FALSE(maintenance::restoreBackup(*state_, failing));
    EXPECT_EQ(user_.messages.back().text, mt::kRestoreFailed);
    EXPECT_EQ(box_->get("data/home.edb"), "home table 2");
    EXPECT_FALSE(box_->exists("data.restore"));
}

TEST_F(MaintenanceFlowsTest, ARestoreThatCannotBeSwappedInIsFinishedByTheNextStart) {
    backupOf("1");
    box_->putData("2");
    const Files before = box_->liveData();
    user_.formVisits.push_back({{"0"}});
    FailingRestore failing(true);
    EXPECT_TRUE(maintenance::restoreBackup(*state_, failing));
    EXPECT_EQ(user_.messages.back().text, mt::kRestorePending);
    // While it cannot be finished no backup is made: the folders may be half
    // swapped, and the data of before the restore is to be the latest.
    const auto blocked = maintenance::backUpAndRecord(failing, box_->run(), box_->clock(), nullptr);
    EXPECT_FALSE(blocked.complete);
    EXPECT_EQ(blocked.failure, maintenance::BackupFailure::RestoreUnfinished);
    EXPECT_EQ(box_->generations(ops_).size(), 1u);
    // The next start's backup finishes it first, then backs the result up.
    restart();
    ASSERT_TRUE(maintenance::backUpAndRecord(ops_, box_->run(), box_->clock(), nullptr).complete);
    EXPECT_EQ(box_->get("data/home.edb"), "home table 1");
    EXPECT_FALSE(box_->exists("restore.journal"));
    const auto generations = box_->generations(ops_);
    ASSERT_EQ(generations.size(), 3u);
    EXPECT_EQ(box_->generationData(generations[0].folder), box_->liveData());
    EXPECT_EQ(box_->generationData(generations[1].folder), before);
}

// --- initialisation --------------------------------------------------------------

TEST_F(MaintenanceFlowsTest, InitialiseAsksDeletesTheLedgersAndKeepsTheRest) {
    const struct {
        const char* name;
        bool needPass;
        std::vector<ScriptedUser::PasswordVisit> passwords;
        std::vector<MessageAnswer> answers;
        bool ends;
    } cases[] = {
        {"password refused", 1, {{"wrong"}}, {}, false},
        {"question cancelled", 0, {}, {MessageAnswer::Cancel}, false},
        {"password and question", 1, {{"secret"}}, {MessageAnswer::Ok}, true},
        {"question only", 0, {}, {MessageAnswer::Ok}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        freshRunDirectory();
        setLoginPassword("secret", c.needPass);
        box_->putData("1");
        user_.passwordVisits.assign(c.passwords.begin(), c.passwords.end());
        user_.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(maintenance::initialiseDatabase(*state_, ops_), c.ends);
        EXPECT_EQ(box_->exists("data"), !c.ends);
        EXPECT_EQ(box_->exists("books"), !c.ends);
        EXPECT_TRUE(box_->exists("user/user.edb"));
        EXPECT_TRUE(box_->exists("setup/system.ini"));
        if (!c.ends) continue;
        EXPECT_EQ(user_.messages.back().text, mt::kInitialiseDone);
        EXPECT_EQ(user_.messages.back().title, mt::kDoneTitle);
        const auto confirmation = user_.messages[user_.messages.size() - 2];
        EXPECT_EQ(confirmation.text, mt::kConfirmInitialise);
        EXPECT_EQ(confirmation.title, mt::kInitialiseTitle);
        EXPECT_EQ(confirmation.icon, MessageIcon::Warning);
    }
}

TEST_F(MaintenanceFlowsTest, AfterInitialisingAndRestartingTheDataIsStillRestorable) {
    // Even with the fewest generations kept, and a backup at every start.
    state_->settings.backupKeep = kFewestBackupsKept;
    ASSERT_TRUE(setBackupsKept(box_->run(), state_->settings, kFewestBackupsKept));
    backupOf("1");
    box_->putData("2");
    const Files before = box_->liveData();
    ASSERT_TRUE(maintenance::initialiseDatabase(*state_, ops_));

    for (int start = 0; start < 3; ++start) {
        restart();
        box_->clock().set(box_->clock().now() + 1);
        ASSERT_TRUE(
            maintenance::backUpAndRecord(ops_, box_->run(), box_->clock(), nullptr).complete);
    }
    restart();
    const auto generations = box_->generations(ops_);
    ASSERT_EQ(generations.size(), 2u);
    EXPECT_TRUE(box_->generationData(generations[0].folder).empty());
    user_.formVisits.push_back({{"1"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));
    EXPECT_EQ(box_->liveData(), before);
    // The chooser opened on the newest generation that holds a ledger, the
    // empty one of after the initialisation above it with none.
    ASSERT_EQ(user_.formRequests.size(), 1u);
    const std::vector<std::string>& choice = user_.formRequests[0].initial;
    ASSERT_EQ(choice.size(), 3u);
    EXPECT_EQ(choice[0], "1");
    EXPECT_NE(choice[1].find("\t0" + mt::kLedgersUnit + "\t"), std::string::npos) << choice[1];
    EXPECT_NE(choice[2].find("\t1" + mt::kLedgersUnit + "\t"), std::string::npos) << choice[2];
}

// --- resetting the settings ------------------------------------------------------

// "还原默认设定" names what it resets, keeps the settings as they were in a
// generation first, and a restore of that generation brings the lists, the
// start date and the initial amount back.
TEST_F(MaintenanceFlowsTest, ResettingTheSettingsCanBeUndoneByARestore) {
    Settings& settings = state_->settings;
    settings.incomeItems = {"salary", "bonus"};
    settings.expenseItems = {"food"};
    settings.members = {"dad", "mum"};
    settings.startDate = 41000;
    settings.initialAmount = 2345678.25;
    ASSERT_TRUE(saveItemLists(box_->run(), settings) && saveMemberList(box_->run(), settings) &&
                saveInitialBalance(box_->run(), settings));
    box_->putData("1");
    const Files setupBefore = box_->filesBelow("setup");

    // Cancelled: nothing kept, nothing reset.
    user_.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(maintenance::resetSettings(*state_, ops_));
    ASSERT_EQ(user_.messages.size(), 1u);
    const std::string question = gbkToUtf8Lossy(user_.messages[0].text);
    for (const char* named : {"收入项目和支出项目列表", "家庭成员列表", "起算日期和初始金额",
                              "数据库还原", "登陆密码也不会被还原"})
        EXPECT_NE(question.find(named), std::string::npos) << named;
    EXPECT_TRUE(box_->generations(ops_).empty());
    EXPECT_EQ(box_->filesBelow("setup"), setupBefore);

    user_ = ScriptedUser{};
    ASSERT_TRUE(maintenance::resetSettings(*state_, ops_));
    EXPECT_EQ(user_.endCalls, 1);
    EXPECT_FALSE(box_->exists("setup"));
    EXPECT_EQ(box_->get("data/home.edb"), "home table 1");
    const auto generations = box_->generations(ops_);
    ASSERT_EQ(generations.size(), 1u);
    const Files kept = box_->generationSettings(generations[0].folder);
    ASSERT_EQ(kept.size(), setupBefore.size());
    for (const auto& [name, bytes] : setupBefore) {
        if (name == "system.ini") continue;  // its lastbackup is the backup's own
        EXPECT_EQ(kept.at(name), bytes) << name;
    }

    // The next start has the defaults; a restore brings the settings back.
    restart();
    EXPECT_TRUE(state_->settings.members.empty());
    user_.formVisits.push_back({{"0"}});
    ASSERT_TRUE(maintenance::restoreBackup(*state_, ops_));
    restart();
    EXPECT_EQ(state_->settings.incomeItems, (std::vector<std::string>{"salary", "bonus"}));
    EXPECT_EQ(state_->settings.expenseItems, std::vector<std::string>{"food"});
    EXPECT_EQ(state_->settings.members, (std::vector<std::string>{"dad", "mum"}));
    EXPECT_EQ(state_->settings.startDate, 41000);
    EXPECT_EQ(state_->settings.initialAmount, 2345678.25);
    expectNothingLeftOver();
}

TEST_F(MaintenanceFlowsTest, SettingsThatCannotBeKeptFirstAreResetOnlyWhenTheUserSaysSo) {
    box_->putData("1");
    for (const MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        // A disk that takes no generation.
        FaultyFolderOperations failing(0);
        user_ = ScriptedUser{};
        user_.answers = {MessageAnswer::Ok, answer};
        EXPECT_EQ(maintenance::resetSettings(*state_, failing), answer == MessageAnswer::Ok);
        ASSERT_EQ(user_.messages.size(), answer == MessageAnswer::Ok ? 3u : 2u);
        EXPECT_EQ(user_.messages[1].text, mt::kSafetyBackupFailedReset);
        EXPECT_EQ(box_->exists("setup"), answer != MessageAnswer::Ok);
    }
}

}  // namespace
}  // namespace qinghe
