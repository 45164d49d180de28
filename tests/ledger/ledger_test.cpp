#include <gtest/gtest.h>

#include <fstream>

#include "common/standard_messages.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "entry/entry_texts.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_list.h"
#include "ledger/ledger_name.h"
#include "ledger/ledger_opening.h"
#include "ledger/ledger_texts.h"
#include "ledger/registry.h"
#include "store/change_log.h"
#include "store/companion_file.h"
#include "tests/support/ledger_data.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::gbk;
using testing::TestEntry;

class LedgerTest : public ::testing::Test {
  protected:
    LedgerTest() : state_(RunDirectory(folder_.path()), files_, clock_, user_) {}

    void create(const std::string& utf8Name, const std::string& password = "") {
        ASSERT_EQ(ledger::createLedger(state_, gbk(utf8Name), gbk(password)),
                  ledger::CreateLedgerResult::Created);
    }

    std::filesystem::path dataFile(const std::string& utf8Name) {
        return folder_ / ("data/" + utf8Name + ".edb");
    }

    ledger::LedgerList list() { return ledger::rebuildLedgerList(state_); }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : user_.messages) texts.push_back(message.text);
        return texts;
    }

    // A fresh program run over the same files.
    void restart() {
        EXPECT_TRUE(state_.tables.closeAll());
        state_.currentLedger = {};
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.75};  // 2015-05-12 18:00
    testing::ScriptedUser user_;
    AppState state_;
    testing::RecordingView view_;
};

TEST_F(LedgerTest, EmptyRegistryIsCreatedAndListsNothing) {
    ledger::LedgerList shown = list();
    EXPECT_TRUE(shown.rows.empty());
    EXPECT_FALSE(shown.summary.has_value());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "books/books.edb"));
}

TEST_F(LedgerTest, LedgersOfOneNameGetNumberedFilesAndKeepTheirOwnEntries) {
    for (int i = 0; i < 3; ++i) create("家庭");
    EXPECT_TRUE(std::filesystem::exists(dataFile("家庭")));
    EXPECT_TRUE(std::filesystem::exists(dataFile("家庭（1）")));
    EXPECT_TRUE(std::filesystem::exists(dataFile("家庭（2）")));
    ASSERT_TRUE(
        testing::appendEntries(state_, dataFile("家庭（1）"), {{.direction = 1, .amount = 5}}));

    restart();
    ledger::LedgerList shown = list();
    ASSERT_EQ(shown.rows.size(), 3u);
    std::vector<std::string> counts;
    for (const auto& row : shown.rows) {
        EXPECT_EQ(row.name, gbk("家庭"));
        counts.push_back(row.entries);
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"0", "1", "0"}));
    EXPECT_EQ(shown.rows[1].number, "2");
    EXPECT_EQ(shown.rows[1].recordNumber, 2);
    EXPECT_EQ(shown.rows[1].created, "2015-05-12");
}

TEST_F(LedgerTest, NumberIsCountPlusOneSoAfterADeletionItRepeats) {
    create("甲");
    create("乙");
    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    create("丙");
    ASSERT_TRUE(view_.ledgers);
    ledger::LedgerList shown = list();
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[0].name, gbk("乙"));
    EXPECT_EQ(shown.rows[0].number, "2");
    EXPECT_EQ(shown.rows[1].number, "2");
    EXPECT_EQ(shown.rows[1].recordNumber, 2);
}

TEST_F(LedgerTest, LongNameIsCutInTheRegistryButNotInTheFileName) {
    const std::string name = "abcdefghijklmnopqrstuvwxy";  // 25 bytes
    create(name);
    EXPECT_TRUE(std::filesystem::exists(dataFile(name)));
    EXPECT_EQ(list().rows.at(0).name, "abcdefghijklmnopqrst");
}

TEST_F(LedgerTest, NamesThatCannotBeFileNamesAreRefused) {
    for (const std::string name : {"",    "a/b",   "a\\b",    "..",   ".",         "a:b",    "a*",
                                   "x?",  "\"q\"", "<a>",     "a|b",  "tab\there", "end.",   "end ",
                                   "CON", "nul",   "Aux.txt", "com1", "LPT9.edb",  "prn.a.b"}) {
        SCOPED_TRACE(name);
        user_.messages.clear();
        EXPECT_EQ(ledger::createLedger(state_, name, ""), ledger::CreateLedgerResult::Refused);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{ledger::kInvalidName});
    }
    EXPECT_TRUE(list().rows.empty());
    EXPECT_FALSE(std::filesystem::exists(folder_ / "b.edb"));
    // Trail bytes 0x7C and 0x5C inside double-byte characters are no separators.
    for (const std::string name : {"億元", "俓路"}) {
        EXPECT_TRUE(ledger::isValidLedgerName(gbk(name))) << name;
    }
    create("億元");
    EXPECT_TRUE(std::filesystem::exists(dataFile("億元")));
    // Names that only look like devices are names like any other.
    for (const std::string name : {"COM0", "console", "LPT10", "nullable", "auxiliary"}) {
        EXPECT_TRUE(ledger::isValidLedgerName(name)) << name;
    }
}

TEST_F(LedgerTest, ANameTooLongForAFileIsToldSoAndLogsNothing) {
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "家";
    user_.messages.clear();
    EXPECT_EQ(ledger::createLedger(state_, gbk(hundred), ""), ledger::CreateLedgerResult::Refused);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{ledger::kNameTooLong});
    EXPECT_FALSE(std::filesystem::exists(folder_ / "debug.ini"));
    EXPECT_TRUE(list().rows.empty());
    // Seventy characters (210 bytes on disk) still fit, with room for "（k）".
    create(hundred.substr(0, 70 * 3));
    create(hundred.substr(0, 70 * 3));
    EXPECT_TRUE(std::filesystem::exists(dataFile(hundred.substr(0, 70 * 3) + "（1）")));
}

TEST_F(LedgerTest, FailedCreationIsReportedAndLoggedWithoutARecord) {
    std::ofstream(folder_ / "data") << "a file where the data folder belongs";
    EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""), ledger::CreateLedgerResult::Failed);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{ledger::kCreateFailed});
    EXPECT_EQ(readIniString(folder_ / "debug.ini", "ERROR", "1", ""),
              gbk((folder_ / "data/家庭.edb").string()));
    EXPECT_TRUE(list().rows.empty());
}

TEST_F(LedgerTest, NewLedgerDialogStaysOpenOnABadNameAndRebuildsTheListOnce) {
    user_.formVisits.push_back({{"", ""}, {gbk("家庭"), gbk("密")}});
    ledger::newLedger(state_, view_);
    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].kind, FormKind::NewLedger);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{ledger::kInvalidName});
    EXPECT_EQ(view_.ledgerListShown, 1);
    ASSERT_EQ(view_.ledgers->rows.size(), 1u);
    EXPECT_EQ(view_.ledgers->rows[0].name, gbk("家庭"));
}

TEST_F(LedgerTest, TotalsAreExactToTheCent) {
    create("甲");
    create("乙");
    ASSERT_TRUE(
        testing::appendEntries(state_, dataFile("甲"),
                               {{.direction = 1, .amount = 0.1}, {.direction = 1, .amount = 0.2}}));
    ASSERT_TRUE(testing::appendEntries(state_, dataFile("乙"),
                                       {{.direction = 1, .amount = 9876543.21},
                                        {.direction = 0, .amount = 1.5},
                                        {.direction = 3, .amount = 1}}));
    ledger::LedgerList shown = list();
    ASSERT_EQ(shown.rows.size(), 2u);
    EXPECT_EQ(shown.rows[0].income, "0.3");
    EXPECT_EQ(shown.rows[0].expense, "0");
    EXPECT_EQ(shown.rows[0].balance, "0.3");
    EXPECT_EQ(shown.rows[1].income, "9876543.21");
    EXPECT_EQ(shown.rows[1].expense, "2.5");  // any direction but 1 is expense
    EXPECT_EQ(shown.rows[1].balance, "9876540.71");
    ASSERT_TRUE(shown.summary);
    EXPECT_EQ(shown.summary->count, "2");
    EXPECT_EQ(shown.summary->income, "9876543.51");
    EXPECT_EQ(shown.summary->expense, "2.5");
    EXPECT_EQ(shown.summary->balance, "9876541.01");
}

TEST_F(LedgerTest, LatestDateShowsNoneForDayZeroAndTheLatestOtherwise) {
    create("甲");
    create("乙");
    ASSERT_TRUE(testing::appendEntries(state_, dataFile("甲"), {{.date = 0, .amount = 1}}));
    ASSERT_TRUE(testing::appendEntries(state_, dataFile("乙"),
                                       {{.date = 42000, .amount = 1},
                                        {.date = 42136.9, .amount = 1},
                                        {.date = 41000, .amount = 1}}));
    ledger::LedgerList shown = list();
    EXPECT_EQ(shown.rows[0].latest, entry::kNoText);
    EXPECT_EQ(shown.rows[1].latest, "2015-05-12");
}

TEST_F(LedgerTest, MissingDataFileShowsPlaceholdersAndCannotBeOpened) {
    create("甲", "pw");
    std::filesystem::remove(dataFile("甲"));
    ledger::LedgerList shown = list();
    ASSERT_EQ(shown.rows.size(), 1u);
    const auto& row = shown.rows[0];
    EXPECT_EQ(
        (std::vector<std::string>{row.entries, row.latest, row.income, row.expense, row.balance}),
        (std::vector<std::string>{"0", entry::kNoText, "0", "0", "0"}));
    EXPECT_FALSE(shown.summary) << "no listed ledger has its data file";

    user_.formVisits.push_back({{"pw"}});
    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::MissingFile);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{ledger::kLedgerMissing});
    EXPECT_EQ(state_.currentLedger.saveTo, gbk("\\data\\甲.edb"));
    EXPECT_EQ(view_.entryPageShown, 0);
}

TEST_F(LedgerTest, SavedPathLeadingOutsideTheDataFolderIsAMissingFile) {
    create("甲");
    std::ofstream(folder_ / "outside.edb") << "not a ledger";
    ASSERT_TRUE(ledger::ensureRegistryOpen(state_));
    state_.tables.first();
    ASSERT_TRUE(
        state_.tables.write(tables::field::kSaveTo, std::string("\\data\\..\\outside.edb")));
    EXPECT_EQ(list().rows.at(0).entries, "0");
    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::MissingFile);
    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "outside.edb"));
}

TEST_F(LedgerTest, DamagedRegistryIsNeitherReadNorReplaced) {
    create("甲");
    restart();
    std::ofstream(folder_ / "books/books.edb", std::ios::trunc) << "garbage";
    EXPECT_TRUE(list().rows.empty());
    EXPECT_EQ(ledger::createLedger(state_, gbk("乙"), ""), ledger::CreateLedgerResult::Failed);
    std::ifstream in(folder_ / "books/books.edb");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "garbage");
}

TEST_F(LedgerTest, OpeningAsksTheAccessPasswordUntilRightOrCancelled) {
    create("甲", "Secret");
    ASSERT_TRUE(testing::appendEntries(state_, dataFile("甲"), {{.direction = 1, .amount = 3}}));
    struct Case {
        const char* name;
        testing::ScriptedUser::FormVisit visit;
        ledger::OpenLedgerResult result;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"cancelled", {}, ledger::OpenLedgerResult::Cancelled, {}},
        {"wrong then closed",
         {{""}, {"secret"}},
         ledger::OpenLedgerResult::Cancelled,
         {ledger::kEnterPassword, ledger::kWrongPassword}},
        {"right", {{"x"}, {"Secret"}}, ledger::OpenLedgerResult::Opened, {ledger::kWrongPassword}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        user_.messages.clear();
        user_.formVisits = {c.visit};
        EXPECT_EQ(ledger::openLedger(state_, 1, view_), c.result);
        EXPECT_EQ(messageTexts(), c.messages);
        EXPECT_EQ(user_.formRequests.back().kind, FormKind::LedgerPassword);
    }
    EXPECT_EQ(state_.currentLedger.name, gbk("甲"));
    EXPECT_EQ(view_.entryPageShown, 1);
    ASSERT_TRUE(view_.entries);
    EXPECT_EQ(view_.entries->size(), 1u);
    EXPECT_EQ(view_.queryRows, view_.entries) << "both lists show the same rows";
}

TEST_F(LedgerTest, LongAccessPasswordOpensAsTypedAtCreation) {
    const std::string typed = "abcdefghijklmnopqrstuvwxy";  // 25 bytes; 20 are kept
    create("甲", typed);
    for (const std::string& attempt : {typed, typed.substr(0, 20)}) {
        user_.formVisits = {{{attempt}}};
        EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened)
            << attempt;
    }
    user_.formVisits = {{{typed.substr(0, 19)}, {"b" + typed.substr(1)}}};
    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Cancelled);
}

TEST_F(LedgerTest, FailedPasswordLeavesTheOpenLedgerAsItWas) {
    create("甲");
    create("乙", "pw");
    ASSERT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    EXPECT_TRUE(user_.formRequests.empty()) << "no password, no dialog";
    user_.formVisits = {{{"nope"}}};
    EXPECT_EQ(ledger::openLedger(state_, 2, view_), ledger::OpenLedgerResult::Cancelled);
    EXPECT_EQ(state_.currentLedger.name, gbk("甲"));
    // Opening the open ledger again refills and shows the page again.
    ASSERT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    EXPECT_EQ(view_.entryPageShown, 2);
}

TEST_F(LedgerTest, ChangeChecksTheOldPasswordAndMayRemoveIt) {
    create("甲", "old");
    create("乙");
    struct Case {
        const char* name;
        std::int32_t recordNumber;
        testing::ScriptedUser::FormVisit visit;
        bool changed;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"cancel", 1, {}, false, {}},
        {"empty name, no old, wrong old then cancel",
         1,
         {{"", "", ""}, {gbk("丙"), "", ""}, {gbk("丙"), "OLD", "x"}},
         false,
         {ledger::kInvalidName, ledger::kChangeNeedsPassword, ledger::kOldPasswordWrong}},
        {"right old, no new password", 1, {{gbk("丙"), "old", ""}}, true, {}},
        {"no password needs nothing", 2, {{gbk("丁"), "", ""}}, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        user_.messages.clear();
        user_.formVisits = {c.visit};
        const int shownBefore = view_.ledgerListShown;
        EXPECT_EQ(ledger::changeLedger(state_, c.recordNumber, view_), c.changed);
        EXPECT_EQ(messageTexts(), c.messages);
        // A change shows the list again at once, with the new name.
        EXPECT_EQ(view_.ledgerListShown, shownBefore + (c.changed ? 1 : 0));
        if (c.changed) {
            ASSERT_TRUE(view_.ledgers);
            EXPECT_EQ(view_.ledgers->rows.at(c.recordNumber - 1).name, c.visit.back().at(0));
        }
    }
    EXPECT_EQ(user_.formRequests.at(0).initial.at(0), gbk("甲"));
    EXPECT_FALSE(ledger::changeLedger(state_, std::nullopt, view_));

    ledger::LedgerList shown = list();
    EXPECT_EQ(shown.rows[0].name, gbk("丙"));
    EXPECT_EQ(shown.rows[1].name, gbk("丁"));
    EXPECT_TRUE(std::filesystem::exists(dataFile("甲"))) << "the file keeps its path";
    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened)
        << "the password is gone";
}

TEST_F(LedgerTest, DeleteRemovesFilesAndEmptiesTheCurrentLedgerOnlyWhenItIsTheOpenOne) {
    create("2015.01");
    create("乙");
    ASSERT_TRUE(
        testing::appendEntries(state_, dataFile("2015.01"), {{.amount = 1, .hasVoucher = true}}));
    const auto companion = store::CompanionFile::pathFor(dataFile("2015.01"));
    ASSERT_TRUE(std::filesystem::exists(companion));
    ASSERT_EQ(ledger::openLedger(state_, 2, view_), ledger::OpenLedgerResult::Opened);

    user_.answers = {MessageAnswer::Cancel};
    EXPECT_FALSE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_TRUE(std::filesystem::exists(dataFile("2015.01")));
    EXPECT_EQ(user_.messages.at(0).text, ledger::kDeleteQuestion);
    EXPECT_EQ(user_.messages.at(0).icon, MessageIcon::Warning);

    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_FALSE(std::filesystem::exists(dataFile("2015.01")));
    EXPECT_FALSE(std::filesystem::exists(companion));
    EXPECT_TRUE(state_.currentLedger.isOpen()) << "another ledger was deleted";
    ASSERT_EQ(view_.ledgers->rows.size(), 1u);

    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_FALSE(state_.currentLedger.isOpen());
    EXPECT_TRUE(view_.ledgers->rows.empty());
    EXPECT_FALSE(ledger::deleteLedger(state_, std::nullopt, view_));
}

TEST_F(LedgerTest, DeletingAProtectedLedgerAsksItsPasswordOnlyWithNeedPass) {
    struct Case {
        const char* name;
        bool needPass;
        std::deque<testing::ScriptedUser::PasswordVisit> visits;
        bool deleted;
    };
    const Case cases[] = {
        {"needpass off asks nothing", false, {}, true},
        {"cancelled", true, {{}}, false},
        {"wrong then closed", true, {{"wrong"}}, false},
        {"right", true, {{"wrong", "pw"}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        create("甲", "pw");
        state_.needPass = c.needPass;
        user_ = {};
        user_.passwordVisits = c.visits;
        EXPECT_EQ(ledger::deleteLedger(state_, 1, view_), c.deleted);
        EXPECT_EQ(user_.passwordRequests.size(), c.needPass ? 1u : 0u);
        EXPECT_EQ(std::filesystem::exists(dataFile("甲")), !c.deleted);
        EXPECT_EQ(list().rows.size(), c.deleted ? 0u : 1u);
        if (!c.deleted) {
            user_.answers = {MessageAnswer::Ok};
            state_.needPass = false;
            ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
        }
    }
}

TEST_F(LedgerTest, ClearDeletesEveryLedgerBehindTheLoginPassword) {
    create("甲");
    create("乙");
    ASSERT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    state_.needPass = true;
    state_.loginPassword = "login";

    EXPECT_FALSE(ledger::clearLedgers(state_, 0, view_)) << "an empty list asks nothing";
    EXPECT_TRUE(user_.messages.empty());

    user_.passwordVisits = {{"pw"}};
    EXPECT_FALSE(ledger::clearLedgers(state_, 2, view_));
    EXPECT_EQ(list().rows.size(), 2u);

    user_.messages.clear();
    user_.passwordVisits = {{"login"}};
    ASSERT_TRUE(ledger::clearLedgers(state_, 2, view_));
    EXPECT_EQ(user_.messages.at(0).text, ledger::kClearQuestion);
    EXPECT_FALSE(std::filesystem::exists(dataFile("甲")));
    EXPECT_FALSE(std::filesystem::exists(dataFile("乙")));
    EXPECT_TRUE(view_.ledgers->rows.empty());
    EXPECT_FALSE(state_.currentLedger.isOpen());
}

TEST_F(LedgerTest, NoChangeLogLeftBesideALedgerIsReplayedOverANewOneOfTheSameName) {
    create("甲");
    // A pending log that fits the table as it is created (same header, same
    // fields) and whose record would cut it to 10 bytes when replayed.
    std::string head(store::ChangeLog::kGuardSize, '\0');
    {
        std::ifstream in(dataFile("甲"), std::ios::binary);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
    }
    const auto logFile = store::TableFile::logPath(dataFile("甲"));
    auto leaveLog = [&] {
        store::ChangeLog log(files_, logFile);
        store::ChangeLog::Change change;
        change[store::ChangeLog::kData] =
            store::OverlayFile::Commit{std::nullopt, {{0, "xxxx"}}, 10};
        ASSERT_TRUE(log.start(head));
        ASSERT_EQ(log.append(change), store::ChangeLog::Appended::Made);
    };
    leaveLog();
    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 1, view_));
    EXPECT_FALSE(std::filesystem::exists(logFile));

    leaveLog();  // left behind by a crash of an earlier run
    create("甲");
    restart();
    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    EXPECT_GT(std::filesystem::file_size(dataFile("甲")), 10u);
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

TEST_F(LedgerTest, ListingLeavesADamagedFileAsItIsOpeningMendsItAfterACopy) {
    create("家庭");
    ASSERT_TRUE(testing::appendEntries(state_, dataFile("家庭"),
                                       {{.amount = 1}, {.amount = 2}, {.amount = 3}}));
    restart();
    // Cut inside the last record: the header counts one more than there is.
    const auto table = dataFile("家庭");
    std::filesystem::resize_file(table, std::filesystem::file_size(table) - 10);
    const auto cutSize = std::filesystem::file_size(table);

    ledger::LedgerList shown = list();
    ASSERT_EQ(shown.rows.size(), 1u);
    EXPECT_EQ(shown.rows[0].entries, "2");
    EXPECT_EQ(std::filesystem::file_size(table), cutSize);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ / "data"))
        copies += entry.path().string().find(".damaged-") != std::string::npos;
    EXPECT_EQ(copies, 0);

    EXPECT_EQ(ledger::openLedger(state_, 1, view_), ledger::OpenLedgerResult::Opened);
    ASSERT_TRUE(view_.entries);
    EXPECT_EQ(view_.entries->size(), 2u);
    for (const auto& entry : std::filesystem::directory_iterator(folder_ / "data"))
        copies += entry.path().string().find(".damaged-20150512-180000") != std::string::npos;
    EXPECT_EQ(copies, 2);  // the data file and its companion, as they were
}

}  // namespace
}  // namespace qinghe
