#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/run_lock.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "maintenance/restore.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/cli/cli_run.h"
#include "tests/support/faulty_folder_operations.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

// backup, backups and restore, run as cron or a systemd timer would run them.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::runCli;
using testing::shellWord;

class BackupCommandsTest : public ::testing::Test {
  protected:
    std::string run() const { return shellWord(run_.path()); }

    void put(const std::string& relative, const std::string& bytes) const {
        fs::create_directories((run_ / relative).parent_path());
        std::ofstream(run_ / relative, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string get(const std::string& relative) const {
        std::ifstream in(run_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void putData(const std::string& version) const {
        put("books/books.edb", "registry " + version);
        put("data/home.edb", "home " + version);
    }

    std::vector<json> lines(const std::string& arguments) const {
        const testing::CliRun result = runCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments << ": " << result.errors;
        std::vector<json> parsed;
        for (const std::string& line : result.lines) parsed.push_back(json::parse(line));
        return parsed;
    }

    TemporaryFolder run_;
};

TEST_F(BackupCommandsTest, BackupsAreListedNewestFirstWithTheirSizes) {
    putData("1");
    const auto first = lines("backup " + run());
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0]["new"].get<bool>());
    EXPECT_EQ(first[0]["copied"], 2);
    // Nothing changed: the latest generation holds the data already.
    const auto unchanged = lines("backup " + run());
    EXPECT_FALSE(unchanged[0]["new"].get<bool>());
    EXPECT_EQ(unchanged[0]["id"], first[0]["id"]);

    put("data/home.edb", "home 2, longer");
    const auto second = lines("backup " + run());
    EXPECT_EQ(second[0]["copied"], 1);
    EXPECT_EQ(second[0]["linked"], 1);

    const auto listed = lines("backups " + run());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["id"], second[0]["id"]);
    EXPECT_EQ(listed[1]["id"], first[0]["id"]);
    EXPECT_TRUE(listed[0]["latest"].get<bool>());
    EXPECT_FALSE(listed[1]["latest"].get<bool>());
    EXPECT_EQ(listed[0]["folder"], "backup");
    EXPECT_EQ(listed[1]["folder"], "backup-" + first[0]["id"].get<std::string>());
    EXPECT_EQ(listed[0]["files"], 2);
    EXPECT_EQ(listed[0]["bytes"], 10 + 14);
    EXPECT_EQ(listed[1]["bytes"], 10 + 6);
    EXPECT_EQ(listed[0]["date"].get<std::string>().size(), 19u);  // yyyy-mm-dd hh:mm:ss
}

TEST_F(BackupCommandsTest, BackupKeepsTheNumberOfGenerationsSetAndRecordsTheDate) {
    fs::create_directories(run_ / "setup");
    ASSERT_TRUE(writeIniString(run_ / "setup/system.ini", "setup", "backupkeep", "2"));
    ASSERT_TRUE(writeIniString(run_ / "setup/system.ini", "setup", "lastbackup", "2000-01-01"));
    for (int version = 1; version <= 4; ++version) {
        putData(std::to_string(version));
        lines("backup " + run());
    }
    EXPECT_EQ(lines("backups " + run()).size(), 2u);
    EXPECT_NE(readIniString(run_ / "setup/system.ini", "setup", "lastbackup", ""), "2000-01-01");
}

TEST_F(BackupCommandsTest, RestoreBringsAGenerationBackAndCanBeUndone) {
    putData("1");
    const std::string first = lines("backup " + run())[0]["id"];
    putData("2");
    lines("backup " + run());
    putData("3");
    put("user/user.edb", "login");

    const auto restored = lines("restore " + run() + " " + first);
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_EQ(restored[0]["restored"], first);
    EXPECT_EQ(get("data/home.edb"), "home 1");
    EXPECT_EQ(get("books/books.edb"), "registry 1");
    EXPECT_EQ(get("user/user.edb"), "login");

    // The data of before the restore was backed up first and is the latest now.
    const std::string undo = restored[0]["backup"];
    EXPECT_EQ(lines("backups " + run())[0]["id"], undo);
    lines("restore " + run());
    EXPECT_EQ(get("data/home.edb"), "home 3");
}

TEST_F(BackupCommandsTest, NothingToRestoreOrAnUnknownIdChangesNothing) {
    putData("1");
    const struct {
        const char* name;
        bool backedUp;
        std::string id;
    } cases[] = {
        {"no backup at all", false, ""},
        {"an id no backup has", true, " 20990101-000000"},
        {"not an id", true, " nonsense"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.backedUp && !fs::exists(run_ / "backup")) lines("backup " + run());
        putData("2");
        const testing::CliRun result = runCli("restore " + run() + c.id);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_FALSE(result.errors.empty());
        EXPECT_EQ(get("data/home.edb"), "home 2");
        EXPECT_EQ(fs::exists(run_ / "backup"), c.backedUp);
        if (c.backedUp) {
            EXPECT_EQ(lines("backups " + run()).size(), 1u);
        }
        putData("1");
    }
}

TEST_F(BackupCommandsTest, NothingIsTouchedWhileTheProgramRunsOnTheFolder) {
    putData("1");
    lines("backup " + run());
    putData("2");
    // The folder's lock held here stands for the running program.
    const auto program = RunLock::take(run_.path(), RunLock::Kind::Exclusive);
    ASSERT_TRUE(program);
    for (const char* command : {"backup", "backups", "restore"}) {
        SCOPED_TRACE(command);
        const testing::CliRun result = runCli(std::string(command) + " " + run());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errors.find("program"), std::string::npos) << result.errors;
        EXPECT_TRUE(result.lines.empty());
    }
    EXPECT_EQ(get("data/home.edb"), "home 2");
    EXPECT_EQ(get("backup/data/home.edb"), "home 1");
}

// A restore killed at each of its steps, then each reading command: each
// shows the ledgers as they will be once the restore is finished, or says
// plainly that it is unfinished and how to finish it (and exits non-zero);
// none calls them damaged. `repair` then finishes it.
TEST(InterruptedRestore, ReadersTellTheDataAsItWillBeOrThatTheRestoreIsUnfinished) {
    const TemporaryFolder base;
    {
        testing::ScriptedUser user;
        store::PosixFileSystem files;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(base.path()), files, clock, user);
        ASSERT_TRUE(ledger::createRegistry(state));
        ASSERT_EQ(ledger::createLedger(state, testing::gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
    }
    const std::string add =
        " 1 --date 2015-05-12 --direction expense --item 餐饮 --member 妈妈 "
        "--amount ";
    ASSERT_EQ(runCli("add-entry " + shellWord(base.path()) + add + "1").exitCode, 0);
    ASSERT_EQ(runCli("backup " + shellWord(base.path())).exitCode, 0);
    ASSERT_EQ(runCli("add-entry " + shellWord(base.path()) + add + "2").exitCode, 0);

    auto restoreKilledAt = [&](long step, const fs::path& folder) {
        fs::remove_all(folder);
        fs::copy(base.path(), folder, fs::copy_options::recursive);
        testing::FaultyFolderOperations ops(step);
        maintenance::restoreKeepingTheData(ops, RunDirectory(folder), "", {.now = 42137.5});
        return ops.steps();
    };
    // How many entries `entries` shows; nothing when it said the restore is unfinished.
    auto shown = [](const fs::path& folder, bool& unfinished) -> std::optional<std::size_t> {
        const testing::CliRun entries = runCli("entries " + shellWord(folder) + " 1");
        if (entries.exitCode != 0) {
            EXPECT_NE(entries.errors.find("restore is unfinished"), std::string::npos)
                << entries.errors;
            unfinished = true;
            return std::nullopt;
        }
        return entries.lines.empty() ? 0 : entries.lines.size() - 1;  // the labels line
    };
    const TemporaryFolder scratch;
    const fs::path folder = scratch / "run";
    const long steps = restoreKilledAt(-1, folder);
    bool unused = false;
    ASSERT_EQ(shown(folder, unused), 1u);
    int told = 0;
    for (long step = 0; step < steps; ++step) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        restoreKilledAt(step, folder);
        bool unfinished = false;
        const auto entries = shown(folder, unfinished);
        const std::string table = shellWord(folder / "data/家庭.edb");
        for (const std::string& command :
             {"ledgers " + shellWord(folder), "check " + table, "dump " + table}) {
            const testing::CliRun run = runCli(command);
            const std::string all = run.errors + [&] {
                std::string text;
                for (const auto& line : run.lines) text += line + "\n";
                return text;
            }();
            EXPECT_EQ(all.find("已损坏"), std::string::npos) << command << "\n" << all;
            EXPECT_EQ(all.find("unknown magic"), std::string::npos) << command << "\n" << all;
            if (unfinished) {
                EXPECT_NE(run.exitCode, 0) << command;
                EXPECT_NE(run.errors.find("restore is unfinished"), std::string::npos) << command;
            } else {
                EXPECT_EQ(run.exitCode, 0) << command << "\n" << all;
            }
        }
        told += unfinished ? 1 : 0;
        const testing::CliRun repaired = runCli("repair " + shellWord(folder));
        EXPECT_EQ(repaired.exitCode, 0) << repaired.errors;
        bool after = false;
        const auto finished = shown(folder, after);
        EXPECT_FALSE(after);
        // What a reader showed is what there is once finished; an unfinished
        // restore is finished (it was decided).
        if (entries) {
            EXPECT_EQ(finished, entries);
        } else {
            EXPECT_EQ(finished, 1u);
        }
    }
    EXPECT_GT(told, 0);
}

}  // namespace
}  // namespace qinghe
