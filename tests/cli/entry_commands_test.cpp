#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "config/settings.h"
#include "entry/entry_vouchers.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "session/password_settings.h"
#include "session/user_store.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/cli/cli_run.h"
#include "tests/support/image_files.h"
#include "tests/support/ledger_data.h"
#include "tests/support/sample_photo.h"
#include "tests/support/scripted_user.h"

// add-entry, change-entry, delete-entry, clear-entries, items and members, run
// as a script would run them, checked against what `entries` then prints.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;
using testing::runCli;
using testing::shellWord;

class EntryCommandsTest : public ::testing::Test {
  protected:
    EntryCommandsTest() {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        EXPECT_TRUE(ledger::createRegistry(state));
        EXPECT_EQ(ledger::createLedger(state, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        EXPECT_EQ(ledger::createLedger(state, gbk("私房钱"), gbk("芝麻")),
                  ledger::CreateLedgerResult::Created);
    }

    std::string run() const { return shellWord(run_.path()); }

    // The entry lines `entries` prints (its labels line aside).
    std::vector<std::string> listed(const std::string& ledger = "1") {
        testing::CliRun entries = runCli("entries " + run() + " " + ledger);
        EXPECT_EQ(entries.exitCode, 0) << entries.errors;
        if (!entries.lines.empty()) entries.lines.pop_back();
        return entries.lines;
    }

    testing::CliRun add(const std::string& options) {
        return runCli("add-entry " + run() + " 1 " + options);
    }

    // Turns "重要操作需要校验密码" on in a user store of the folder.
    void needPassword() {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        ASSERT_TRUE(openUserStore(state));
        changeNeedPassword(state, true);
        ASSERT_TRUE(state.needPass);
    }

    TemporaryFolder run_;
    store::PosixFileSystem files_;
};

TEST_F(EntryCommandsTest, EntriesSortedByAColumnKeepTheTableOrderForTiesAndTheLabels) {
    for (const char* options :
         {"--date 2015-05-13 --direction expense --item 餐饮 --member 妈妈 --amount 20",
          "--date 2015-05-12 --direction expense --item 交通 --member 爸爸 --amount 20",
          "--date 2015-05-14 --direction expense --item 餐饮 --member 爸爸 --amount 5"}) {
        ASSERT_EQ(add(options).exitCode, 0) << options;
    }
    const testing::CliRun unsorted = runCli("entries " + run() + " 1");
    auto recordNumbers = [&](const std::string& sort) {
        testing::CliRun entries = runCli("entries " + run() + " 1 " + sort);
        EXPECT_EQ(entries.exitCode, 0) << entries.errors;
        // The labels under the list are the same however it is sorted.
        EXPECT_EQ(entries.lines.back(), unsorted.lines.back()) << sort;
        entries.lines.pop_back();
        std::vector<int> numbers;
        for (const std::string& line : entries.lines)
            numbers.push_back(nlohmann::json::parse(line)["recno"].get<int>());
        return numbers;
    };
    EXPECT_EQ(recordNumbers("--sort date"), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(recordNumbers("--sort date --descending"), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(recordNumbers("--sort amount"), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(recordNumbers("--sort amount --descending"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(recordNumbers("--sort item"), (std::vector<int>{1, 3, 2}));  // 餐 (can), 交 (jiao)
    EXPECT_EQ(recordNumbers("--sort member"), (std::vector<int>{2, 3, 1}));  // 爸 (ba), 妈 (ma)
    EXPECT_NE(runCli("entries " + run() + " 1 --sort note").exitCode, 0);
}

TEST_F(EntryCommandsTest, AddChangeDeleteAndClearShowInTheList) {
    const std::string first =
        R"({"recno":1,"date":"2015-05-12","direction":"支出","item":"餐饮","amount":"12.35","member":"妈妈","note":"午饭","voucher":"无"})";
    const std::string second =
        R"({"recno":2,"date":"2015-05-13","direction":"收入","item":"工资","amount":"8500","member":"爸爸","note":"","voucher":"无"})";
    testing::CliRun added =
        add("--date 2015-05-12 --direction expense --item 餐饮 --member 妈妈 --amount 12.345 "
            "--note 午饭");
    ASSERT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_EQ(added.lines, std::vector<std::string>{first});
    added = add("--date 2015-05-13 --direction income --item 工资 --member 爸爸 --amount 8500");
    ASSERT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_EQ(added.lines, std::vector<std::string>{second});
    EXPECT_EQ(listed(), (std::vector<std::string>{first, second}));

    // Stored exactly as given, though shown in cents.
    {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        ASSERT_TRUE(state.tables.open(run_ / "data/家庭.edb", "", tables::kStorePassword));
        ASSERT_TRUE(state.tables.goTo(1));
        EXPECT_EQ(store::toDouble(*state.tables.read(tables::field::kAmount)), 12.345);
    }

    // What is not given stays; an amount not given keeps every digit.
    testing::CliRun changed = runCli("change-entry " + run() + " 1 1 --note 晚饭 --member 孩子");
    ASSERT_EQ(changed.exitCode, 0) << changed.errors;
    const std::string firstChanged =
        R"({"recno":1,"date":"2015-05-12","direction":"支出","item":"餐饮","amount":"12.35","member":"孩子","note":"晚饭","voucher":"无"})";
    EXPECT_EQ(changed.lines, std::vector<std::string>{firstChanged});
    EXPECT_EQ(listed(), (std::vector<std::string>{firstChanged, second}));
    testing::CliRun entries = runCli("entries " + run() + " 1");
    EXPECT_NE(entries.lines.back().find("当前余额：8487.66"), std::string::npos)
        << entries.lines.back();

    testing::CliRun deleted = runCli("delete-entry " + run() + " 1 1");
    ASSERT_EQ(deleted.exitCode, 0) << deleted.errors;
    auto renumbered = nlohmann::ordered_json::parse(second);
    renumbered["recno"] = 1;
    EXPECT_EQ(listed(), std::vector<std::string>{renumbered.dump()});

    ASSERT_EQ(runCli("clear-entries " + run() + " 1").exitCode, 0);
    EXPECT_TRUE(listed().empty());
    // Nothing left to clear is no failure.
    EXPECT_EQ(runCli("clear-entries " + run() + " 1").exitCode, 0);
}

TEST_F(EntryCommandsTest, NewNamesJoinTheListsAsTheWindowPutsThem) {
    ASSERT_EQ(
        add("--date 2015-05-12 --direction expense --item 餐饮 --member 妈妈 --amount 1").exitCode,
        0);
    ASSERT_EQ(
        add("--date 2015-05-12 --direction expense --item 交通 --member 爸爸 --amount 2").exitCode,
        0);
    ASSERT_EQ(
        add("--date 2015-05-12 --direction income --item 工资 --member 妈妈 --amount 3").exitCode,
        0);
    testing::CliRun items = runCli("items " + run());
    ASSERT_EQ(items.exitCode, 0) << items.errors;
    EXPECT_EQ(items.lines, (std::vector<std::string>{
                               R"({"direction":"income","position":1,"name":"工资"})",
                               R"({"direction":"expense","position":1,"name":"交通"})",
                               R"({"direction":"expense","position":2,"name":"餐饮"})",
                           }));
    testing::CliRun members = runCli("members " + run());
    ASSERT_EQ(members.exitCode, 0) << members.errors;
    EXPECT_EQ(members.lines, (std::vector<std::string>{R"({"position":1,"name":"爸爸"})",
                                                       R"({"position":2,"name":"妈妈"})"}));
}

TEST_F(EntryCommandsTest, RefusedInputExitsOneAndChangesNothing) {
    const struct {
        std::string command;
        int exitCode;
        std::string error;  // part of what standard error says
    } cases[] = {
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount abc",
         1, "请输入一个有效的金额"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount "
         "2e12",
         1, "请输入一个有效的金额"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount ''", 1,
         "请输入该条目的金额！"},
        {"add-entry RUN 2 --date 2015-05-12 --direction expense --item a --member b --amount 1 "
         "--ledger-password 芝",
         1, "密码输入错误"},
        {"add-entry RUN 2 --date 2015-05-12 --direction expense --item a --member b --amount 1", 1,
         "--ledger-password"},
        {"add-entry RUN 3 --date 2015-05-12 --direction expense --item a --member b --amount 1", 1,
         "no ledger at registry record 3"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount 1 "
         "--note " +
             std::string(513, 'n'),
         1, "512"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount 1 "
         "--voucher /nonexistent/receipt.jpg",
         1, "/nonexistent/receipt.jpg"},
        {"add-entry RUN 1 --date 2015-02-30 --direction expense --item a --member b --amount 1", 2,
         "--date"},
        {"add-entry RUN 1 --date 2015-05-12 --direction sideways --item a --member b --amount 1", 2,
         "direction"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --member b --amount 1", 2,
         "--item"},
        {"change-entry RUN 1 1 --amount 5", 1, "no entry at record 1"},
        {"change-entry RUN 1 0 --amount 5", 1, "no entry at record 0"},
        {"delete-entry RUN 1 1", 1, "no entry at record 1"},
        {"change-entry RUN 1 1 --voucher a.jpg --no-vouchers", 2, "excludes"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount 1 "
         "--voucher /dev/null",
         1, "/dev/null"},
        {"add-entry RUN 1 --date 2015-05-12 --direction expense --item a --member b --amount 1 "
         "--voucher RUN/books/books.edb",
         1, "不是能显示的JPG、PNG或BMP图片"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        std::string command = c.command;
        for (auto at = command.find("RUN"); at != std::string::npos; at = command.find("RUN"))
            command.replace(at, 3, run());
        testing::CliRun refused = runCli(command);
        EXPECT_EQ(refused.exitCode, c.exitCode) << refused.errors;
        EXPECT_NE(refused.errors.find(c.error), std::string::npos) << refused.errors;
        EXPECT_TRUE(refused.lines.empty());
        EXPECT_TRUE(listed().empty());
    }
}

// The work done and then a failure: the exit code tells of the failure.
TEST_F(EntryCommandsTest, AFailureAfterTheWorkStillExitsOne) {
    const std::string entry =
        "--date 2015-05-12 --direction expense --item 新的 --member b --amount 1";
    // The item list cannot be saved: a folder stands where its file goes.
    fs::remove(run_ / "setup" / "szxm.ini");
    fs::create_directories(run_ / "setup" / "szxm.ini");
    const testing::CliRun unsaved = add(entry);
    EXPECT_EQ(unsaved.exitCode, 1);
    EXPECT_NE(unsaved.errors.find("设置保存失败"), std::string::npos) << unsaved.errors;
    EXPECT_EQ(listed().size(), 1u);  // the entry itself was added, and said so
    fs::remove(run_ / "setup" / "szxm.ini");

    for (const char* output : {" >/dev/full", " >&-"}) {
        SCOPED_TRACE(output);
        const testing::CliRun unwritten = runCli("entries " + run() + " 1" + output);
        EXPECT_EQ(unwritten.exitCode, 1);
        EXPECT_NE(unwritten.errors.find("cannot write the output"), std::string::npos)
            << unwritten.errors;
    }
}

// A table cut by a byte: a reader shows what can be read and says on standard
// error that it needs the repair and how to make it, writing nothing; the next
// command that writes repairs it and says what it did.
TEST_F(EntryCommandsTest, ARepairNeededIsToldByReadersAndARepairMadeByWriters) {
    const std::string options = "--date 2015-05-12 --direction expense --item 餐饮 --member 妈妈 ";
    for (const char* amount : {"1", "2", "3"})
        ASSERT_EQ(add(options + "--amount " + amount).exitCode, 0);
    const fs::path table = run_ / "data/家庭.edb";
    fs::resize_file(table, fs::file_size(table) - 1);
    const auto size = fs::file_size(table);

    const testing::CliRun read = runCli("entries " + run() + " 1");
    EXPECT_EQ(read.lines.size(), 2u + 1u);  // two entries and the labels
    EXPECT_NE(read.errors.find("数据文件需要修复：家庭.edb"), std::string::npos) << read.errors;
    EXPECT_NE(read.errors.find("qinghe-cli repair"), std::string::npos) << read.errors;
    EXPECT_EQ(fs::file_size(table), size);

    const testing::CliRun written = add(options + "--amount 4");
    EXPECT_EQ(written.exitCode, 0) << written.errors;
    EXPECT_NE(written.errors.find("数据文件已修复：家庭.edb"), std::string::npos) << written.errors;
    EXPECT_NE(written.errors.find("copied aside"), std::string::npos) << written.errors;
    const testing::CliRun after = runCli("entries " + run() + " 1");
    EXPECT_EQ(after.lines.size(), 3u + 1u);
    EXPECT_EQ(after.errors, "");
}

// The tool reads the settings where they are: no command leaves a folder in
// the temporary folder, and a reading one writes no missing setup file.
TEST_F(EntryCommandsTest, NoCommandLeavesATemporaryFolderOrWritesTheSettingsToRead) {
    const TemporaryFolder temporary("tmp-");
    const char* before = std::getenv("TMPDIR");
    const std::string kept = before ? before : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    fs::remove_all(run_ / "setup");
    EXPECT_EQ(runCli("ledgers " + run()).exitCode, 0);
    EXPECT_EQ(runCli("entries " + run() + " 1").exitCode, 0);
    EXPECT_FALSE(fs::exists(run_ / "setup"));
    EXPECT_EQ(
        add("--date 2015-05-12 --direction expense --item 餐饮 --member 妈妈 --amount 3").exitCode,
        0);
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    if (before) {
        ::setenv("TMPDIR", kept.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

TEST_F(EntryCommandsTest, AChangedAmountIsTakenAsGivenAndARefusedOneKeepsTheEntry) {
    ASSERT_EQ(add("--date 2015-05-12 --direction expense --item a --member b --amount 7").exitCode,
              0);
    const auto before = listed();
    testing::CliRun refused = runCli("change-entry " + run() + " 1 1 --amount 1,5");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("请输入一个有效的金额"), std::string::npos) << refused.errors;
    EXPECT_EQ(listed(), before);
    testing::CliRun changed = runCli("change-entry " + run() +
                                     " 1 1 --amount 0.125 --direction income --date "
                                     "2016-02-29");
    ASSERT_EQ(changed.exitCode, 0) << changed.errors;
    EXPECT_EQ(
        changed.lines,
        std::vector<std::string>{
            R"({"recno":1,"date":"2016-02-29","direction":"收入","item":"a","amount":"0.13","member":"b","note":"","voucher":"无"})"});
}

TEST_F(EntryCommandsTest, VouchersAreStoredAsTheFilesBytes) {
    const fs::path receipt = run_ / "receipt.jpg";
    const fs::path other = run_ / "other.png";
    // A comment holding the separator: the photo is still stored as it is.
    const std::string comment = "a photo with |||, stored as it is";
    const std::string bytes = testing::withSegment(
        testing::phoneJpeg(testing::samplePhoto(40, 30)),
        std::string("\xFF\xFE\x00", 3) + static_cast<char>(comment.size() + 2) + comment);
    const std::string otherBytes = testing::pngBytes(5, 4, testing::checkerboard());
    std::ofstream(receipt, std::ios::binary) << bytes;
    std::ofstream(other, std::ios::binary) << otherBytes;
    testing::CliRun added =
        add("--date 2015-05-12 --direction expense --item a --member b --amount 1 --voucher " +
            shellWord(receipt) + " --voucher " + shellWord(other));
    ASSERT_EQ(added.exitCode, 0) << added.errors;
    EXPECT_NE(added.lines.at(0).find(R"("voucher":"有")"), std::string::npos);

    auto stored = [&] {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        return entry::readEntryVouchers(state, run_ / "data/家庭.edb", 1);
    };
    auto vouchers = stored();
    ASSERT_TRUE(vouchers);
    EXPECT_TRUE(vouchers->flag);
    EXPECT_EQ(vouchers->value, bytes + "|||" + otherBytes);

    // Changed without vouchers: they stay; replaced; then dropped.
    ASSERT_EQ(runCli("change-entry " + run() + " 1 1 --note x").exitCode, 0);
    EXPECT_EQ(stored()->value, bytes + "|||" + otherBytes);
    ASSERT_EQ(runCli("change-entry " + run() + " 1 1 --voucher " + shellWord(other)).exitCode, 0);
    EXPECT_EQ(stored()->value, otherBytes);
    ASSERT_EQ(runCli("change-entry " + run() + " 1 1 --no-vouchers").exitCode, 0);
    EXPECT_EQ(stored()->value, "");
    EXPECT_FALSE(stored()->flag);
}

TEST_F(EntryCommandsTest, ImportantOperationsAskForTheLedgerPassword) {
    const std::string password = " --ledger-password 芝麻";
    ASSERT_EQ(
        runCli("add-entry " + run() +
               " 2 --date 2015-05-12 --direction expense --item a --member b --amount 1" + password)
            .exitCode,
        0);
    ASSERT_EQ(
        runCli("add-entry " + run() +
               " 2 --date 2015-05-12 --direction expense --item a --member b --amount 2" + password)
            .exitCode,
        0);
    // Without the setting the ledger's password opens it and that is all.
    ASSERT_EQ(runCli("delete-entry " + run() + " 2 2" + password).exitCode, 0);
    needPassword();
    // With it, the same password answers the question again.
    ASSERT_EQ(runCli("delete-entry " + run() + " 2 1" + password).exitCode, 0);
    EXPECT_TRUE(listed("2" + password).empty());
}

}  // namespace
}  // namespace qinghe
