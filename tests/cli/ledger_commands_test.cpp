#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/clock.h"
#include "common/run_lock.h"
#include "common/temporary_folder.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/cli/cli_run.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

// The commands that work on a run directory through the core: ledgers,
// entries and create-ledger, run as a script would run them.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;
using testing::runCli;
using testing::shellWord;
using testing::TestEntry;

constexpr double kCreated = 42136;  // 2015-05-12

// Every file below a folder with its size and time of last change: what a
// command that only reads must leave as it found it.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> snapshot(
    const fs::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto size = entry.is_regular_file() ? entry.file_size() : 0;
        files[entry.path().string()] = {size, entry.last_write_time()};
    }
    return files;
}

class LedgerCommandsTest : public ::testing::Test {
  protected:
    // A ledger made through the core, as "添加一个新账簿" makes it on kCreated,
    // with `entries` added.
    void makeLedger(const std::string& name, const std::vector<TestEntry>& entries = {}) {
        testing::ScriptedUser user;
        FixedClock clock{kCreated + 0.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        // The program has made the registry by the time anyone can add a ledger.
        if (!files_.exists(ledger::registryFile(state))) {
            ASSERT_TRUE(ledger::createRegistry(state));
        }
        ASSERT_EQ(ledger::createLedger(state, gbk(name), ""), ledger::CreateLedgerResult::Created)
            << name;
        addEntries(name, entries);
    }

    // Entries added to the ledger whose data file is named after `name`.
    void addEntries(const std::string& name, const std::vector<TestEntry>& entries) {
        testing::ScriptedUser user;
        FixedClock clock{kCreated};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        ASSERT_TRUE(testing::appendEntries(state, dataFile(name), entries)) << name;
    }

    fs::path dataFile(const std::string& name) const { return run_ / "data" / (name + ".edb"); }

    // The start date and initial amount the labels show.
    void writeInitialBalance(const std::string& date, const std::string& amount) {
        fs::create_directories(run_ / "setup");
        std::ofstream(run_ / "setup" / "csrqje.ini")
            << "[setup]\r\nfirstdata=" << date << "\r\nfirstmoney=" << amount << "\r\n";
    }

    std::string run() const { return shellWord(run_.path()); }

    TemporaryFolder run_;
    store::PosixFileSystem files_;
};

// Three entries of a household: incomes that do not add up exactly in binary,
// an expense that rounds up to the next cent, a voucher, notes with and
// without text.
std::vector<TestEntry> familyEntries() {
    return {
        {42136, 1, gbk("工资"), 0.1, gbk("爸爸"), "", true},
        {42137, 1, gbk("奖金"), 0.2, gbk("妈妈"), gbk("年终"), false},
        {42200, 2, gbk("餐饮"), 12.345, gbk("孩子"), gbk("和朋友聚餐，AA"), false},
    };
}

TEST_F(LedgerCommandsTest, LedgersPrintsTheListAndItsSummaryAsShown) {
    struct Case {
        const char* what;
        std::function<void()> prepare;
        std::vector<std::string> lines;
        int exitCode = 0;
    };
    const std::vector<Case> cases = {
        {"no registry yet", [] {}, {R"({"summary":null})"}},
        {"figures, an empty ledger and one whose data file is gone",
         [&] {
             makeLedger("家庭", familyEntries());
             makeLedger("空账簿");
             makeLedger("旅行", {{42300, 2, gbk("交通"), 99, "", "", false}});
             fs::remove(dataFile("旅行"));
         },
         {R"({"recno":1,"number":"1","name":"家庭","created":"2015-05-12","entries":"3","latest":"2015-07-15","income":"0.3","expense":"12.35","balance":"-12.05"})",
          R"({"recno":2,"number":"2","name":"空账簿","created":"2015-05-12","entries":"0","latest":"无","income":"0","expense":"0","balance":"0"})",
          R"({"recno":3,"number":"3","name":"旅行","created":"2015-05-12","entries":"0","latest":"无","income":"0","expense":"0","balance":"0"})",
          R"({"summary":{"count":"3","income":"0.3","expense":"12.35","balance":"-12.05"}})"}},
        {"every listed data file gone",
         [&] {
             makeLedger("家庭", familyEntries());
             fs::remove(dataFile("家庭"));
         },
         {R"({"recno":1,"number":"1","name":"家庭","created":"2015-05-12","entries":"0","latest":"无","income":"0","expense":"0","balance":"0"})",
          R"({"summary":null})"}},
        {"a data file that cannot be read",
         [&] {
             makeLedger("家庭", familyEntries());
             makeLedger("旅行");
             std::ofstream(dataFile("家庭"), std::ios::in | std::ios::out | std::ios::binary)
                 << "XXXX";  // no table's magic
         },
         {R"({"recno":1,"number":"1","name":"家庭（已损坏）","created":"2015-05-12","entries":"0","latest":"无","income":"0","expense":"0","balance":"0","damaged":true})",
          R"({"recno":2,"number":"2","name":"旅行","created":"2015-05-12","entries":"0","latest":"无","income":"0","expense":"0","balance":"0"})",
          R"({"summary":{"count":"2","income":"0","expense":"0","balance":"0"}})"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(run_.path());
        fs::create_directories(run_.path());
        c.prepare();
        const auto before = snapshot(run_.path());
        testing::CliRun listed = runCli("ledgers " + run());
        EXPECT_EQ(listed.exitCode, c.exitCode) << listed.errors;
        EXPECT_EQ(listed.lines, c.lines);
        // Looking makes no registry and no setup files, and changes no table.
        EXPECT_EQ(snapshot(run_.path()), before);
    }
}

TEST_F(LedgerCommandsTest, EntriesOpensALedgerAsTheProgramDoes) {
    writeInitialBalance("2015-01-01", "100");
    makeLedger("家庭", familyEntries());
    makeLedger("旅行");
    fs::remove(dataFile("旅行"));
    // Made by the tool itself: the password goes from UTF-8 into the registry as GBK.
    ASSERT_EQ(runCli("create-ledger " + run() + " 私房钱 --password 芝麻开门").exitCode, 0);
    addEntries("私房钱", {{42150, 2, gbk("首饰"), 2680.5, gbk("妈妈"), "", true}});

    const std::vector<std::string> family = {
        R"({"recno":1,"date":"2015-05-12","direction":"收入","item":"工资","amount":"0.1","member":"爸爸","note":"","voucher":"有"})",
        R"({"recno":2,"date":"2015-05-13","direction":"收入","item":"奖金","amount":"0.2","member":"妈妈","note":"年终","voucher":"无"})",
        R"({"recno":3,"date":"2015-07-15","direction":"支出","item":"餐饮","amount":"12.35","member":"孩子","note":"和朋友聚餐，AA","voucher":"无"})",
        R"({"labels":{"ledger":"当前账簿：  家庭","startDate":"起算日期：2015-01-01","initialAmount":"初始金额：100","income":"累计收入：0.3","expense":"累计支出：12.35","balance":"当前余额：87.96"}})",
    };
    const std::vector<std::string> savings = {
        R"({"recno":1,"date":"2015-05-26","direction":"支出","item":"首饰","amount":"2680.5","member":"妈妈","note":"","voucher":"有"})",
        R"({"labels":{"ledger":"当前账簿：  私房钱","startDate":"起算日期：2015-01-01","initialAmount":"初始金额：100","income":"累计收入：0","expense":"累计支出：2680.5","balance":"当前余额：-2580.5"}})",
    };
    struct Case {
        std::string arguments;
        int exitCode;
        std::vector<std::string> lines;
        std::string error;  // part of what standard error says
    };
    const std::vector<Case> cases = {
        {"1", 0, family, ""},
        {"3", 1, {}, "--ledger-password"},
        {"3 --ledger-password ''", 1, {}, "请输入密码！"},
        {"3 --ledger-password 芝麻", 1, {}, "密码输入错误，请重新输入！"},
        {"3 --ledger-password 芝麻开门", 0, savings, ""},
        {"2", 1, {}, "账簿数据打开失败，账目可能已经损坏或丢失！"},
        {"0", 1, {}, "no ledger at registry record 0"},
        {"4", 1, {}, "no ledger at registry record 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto before = snapshot(run_.path());
        testing::CliRun opened = runCli("entries " + run() + " " + c.arguments);
        EXPECT_EQ(opened.exitCode, c.exitCode) << opened.errors;
        EXPECT_EQ(opened.lines, c.lines);
        EXPECT_NE(opened.errors.find(c.error), std::string::npos) << opened.errors;
        EXPECT_EQ(snapshot(run_.path()), before);
    }
}

TEST_F(LedgerCommandsTest, CreateLedgerAddsOnlyUsableNames) {
    struct Case {
        std::vector<std::string> names;  // one create-ledger each
        std::vector<int> exitCodes;
        std::vector<std::string> dataFiles;  // in data/, in order
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"家庭", "家庭"}, {0, 0}, {"家庭.edb", "家庭（1）.edb"}, ""},
        {{"a/b"}, {1}, {}, "请输入一个有效的账簿名称！"},
        {{".."}, {1}, {}, "请输入一个有效的账簿名称！"},
        {{"\xFF"}, {1}, {}, "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.front());
        fs::remove_all(run_.path());
        fs::create_directories(run_.path());
        // Named relative to where the tool runs, as a script would name it.
        const std::string relativeRun = shellWord(fs::relative(run_.path()));
        std::string errors;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            testing::CliRun created =
                runCli("create-ledger " + relativeRun + " " + shellWord(c.names[i]));
            EXPECT_EQ(created.exitCode, c.exitCodes[i]) << created.errors;
            errors += created.errors;
        }
        EXPECT_NE(errors.find(c.error), std::string::npos) << errors;

        std::vector<std::string> dataFiles;
        if (fs::exists(run_ / "data")) {
            for (const auto& entry : fs::directory_iterator(run_ / "data")) {
                if (entry.path().extension() == ".edb")
                    dataFiles.push_back(entry.path().filename());
            }
        }
        std::sort(dataFiles.begin(), dataFiles.end());
        EXPECT_EQ(dataFiles, c.dataFiles);

        // One registry record a ledger made, each with an empty table.
        testing::CliRun listed = runCli("ledgers " + run());
        ASSERT_EQ(listed.lines.size(), c.dataFiles.size() + 1);
        for (std::size_t i = 0; i < c.dataFiles.size(); ++i) {
            auto row = nlohmann::json::parse(listed.lines[i]);
            EXPECT_EQ(row["name"], c.names[i]);
            EXPECT_EQ(row["number"], std::to_string(i + 1));
            EXPECT_EQ(row["entries"], "0");
        }
    }
}

TEST_F(LedgerCommandsTest, NothingIsTouchedWhileTheProgramRunsOnTheFolder) {
    // The folder's lock held by this test stands for the running program; a
    // lock file that names a live process (this one, as a reused process
    // number would) but is not held stops nobody.
    for (bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "a file naming a live process");
        std::ofstream(run_ / ".qinghe.lock", std::ios::trunc) << ::getpid() << "\n";
        std::optional<RunLock> program;
        if (held) program = RunLock::take(run_.path(), RunLock::Kind::Exclusive);
        ASSERT_EQ(program.has_value(), held);
        testing::CliRun created = runCli("create-ledger " + run() + " 家庭");
        EXPECT_EQ(created.exitCode, held ? 1 : 0) << created.errors;
        EXPECT_EQ(fs::exists(dataFile("家庭")), !held);
        EXPECT_EQ(runCli("ledgers " + run()).exitCode, held ? 1 : 0);
    }
}

TEST_F(LedgerCommandsTest, CommandLinesItCannotReadAreUsageErrors) {
    for (const std::string& arguments : {
             "entries " + run(),
             "entries " + run() + " first",
             "create-ledger " + run(),
             "ledgers " + shellWord(run_ / "missing"),
             "ledgers " + run() + " --unknown",
         }) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(runCli(arguments).exitCode, 2);
    }
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

// Two tools at once, many times over: the folder's lock lets one write at a
// time, the other waits; whatever a tool said it made is there.
TEST_F(LedgerCommandsTest, ToolsWritingAtOnceLoseNothingTheyAcknowledged) {
    makeLedger("家庭");
    constexpr int kPairs = 15;
    int acknowledged = 1;
    for (int pair = 0; pair < kPairs; ++pair) {
        int codes[2] = {-1, -1};
        std::thread first([&] { codes[0] = runCli("create-ledger " + run() + " a").exitCode; });
        std::thread second([&] { codes[1] = runCli("create-ledger " + run() + " b").exitCode; });
        first.join();
        second.join();
        for (int code : codes) {
            EXPECT_TRUE(code == 0 || code == 1) << code;
            acknowledged += code == 0 ? 1 : 0;
        }
    }
    testing::CliRun listed = runCli("ledgers " + run());
    ASSERT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_EQ(static_cast<int>(listed.lines.size()) - 1, acknowledged);
    // Each waits for the other rather than giving up: all of them got through.
    EXPECT_EQ(acknowledged, 1 + 2 * kPairs);
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

// Sets QINGHE_DATA_DIR for the tools started in one scope, and puts the old
// value back.
class ScopedDataDir {
  public:
    explicit ScopedDataDir(const std::string& value) {
        if (const char* old = std::getenv("QINGHE_DATA_DIR")) old_ = old;
        if (value.empty())
            ::unsetenv("QINGHE_DATA_DIR");
        else
            ::setenv("QINGHE_DATA_DIR", value.c_str(), 1);
    }
    ~ScopedDataDir() {
        if (old_)
            ::setenv("QINGHE_DATA_DIR", old_->c_str(), 1);
        else
            ::unsetenv("QINGHE_DATA_DIR");
    }
    ScopedDataDir(const ScopedDataDir&) = delete;
    ScopedDataDir& operator=(const ScopedDataDir&) = delete;

  private:
    std::optional<std::string> old_;
};

// The run directory is the first argument, --data-dir or QINGHE_DATA_DIR, in
// that order; every command that works on one takes all three.
TEST_F(LedgerCommandsTest, RunDirectoryMayBeLeftOutOrNamedByOptionOrEnvironment) {
    makeLedger("家庭", familyEntries());
    const TemporaryFolder other;
    const std::string otherRun = shellWord(other.path());
    const std::string family =
        R"({"recno":1,"number":"1","name":"家庭","created":"2015-05-12","entries":"3","latest":"2015-07-15","income":"0.3","expense":"12.35","balance":"-12.05"})";
    const std::string firstEntry =
        R"({"recno":1,"date":"2015-05-12","direction":"收入","item":"工资","amount":"0.1","member":"爸爸","note":"","voucher":"有"})";
    struct Case {
        std::string environment;  // QINGHE_DATA_DIR
        std::string arguments;
        int exitCode;
        std::string firstLine;  // empty: not looked at
    };
    const std::vector<Case> cases = {
        {run_.path().string(), "ledgers", 0, family},
        {other.path().string(), "ledgers --data-dir " + run(), 0, family},
        {other.path().string(), "ledgers " + run(), 0, family},
        {run_.path().string(), "entries 1", 0, firstEntry},
        {other.path().string(), "entries --data-dir " + run() + " 1", 0, firstEntry},
        {other.path().string(), "entries " + run() + " 1", 0, firstEntry},
        {run_.path().string(), "vouchers 1 1", 0, ""},
        {run_.path().string(), "backup", 0, ""},
        {run_.path().string(), "backups", 0, ""},
        {run_.path().string(), "items", 0, ""},
        {other.path().string(), "members --data-dir " + run(), 0, ""},
        {run_.path().string(),
         "add-entry 1 --date 2015-08-01 --direction expense --item 餐饮 --member 妈妈 --amount 1",
         0, ""},
        {run_.path().string(), "change-entry 1 4 --amount 2", 0, ""},
        {other.path().string(), "delete-entry --data-dir " + run() + " 1 4", 0, ""},
        // A folder given after the first argument is that argument, never the
        // run directory: export-entry's destination, or one too many.
        {run_.path().string(), "export-entry 1 1 " + otherRun, 0, ""},
        {"", "vouchers " + run() + " 1 1 " + otherRun, 2, ""},
        // Both at once, or a folder that is not there, is a usage error.
        {"", "ledgers " + run() + " --data-dir " + run(), 2, ""},
        {"", "ledgers --data-dir " + shellWord(run_ / "missing"), 2, ""},
        {"", "entries --data-dir " + otherRun, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment + " | " + c.arguments);
        const ScopedDataDir environment(c.environment);
        const testing::CliRun ran = runCli(c.arguments);
        EXPECT_EQ(ran.exitCode, c.exitCode) << ran.errors;
        if (!c.firstLine.empty()) {
            ASSERT_FALSE(ran.lines.empty()) << ran.errors;
            EXPECT_EQ(ran.lines.front(), c.firstLine);
        }
    }
    EXPECT_TRUE(fs::is_directory(run_ / "backup")) << "backup went to QINGHE_DATA_DIR";
    EXPECT_FALSE(fs::exists(other / "books")) << "the argument wins over QINGHE_DATA_DIR";
    EXPECT_TRUE(fs::exists(other / "1")) << "the entry exported into the folder given";
}

TEST_F(LedgerCommandsTest, DataFolderFromTheEnvironmentIsMadeOnFirstUse) {
    const fs::path fresh = run_ / "新的" / "账本";
    const ScopedDataDir environment(fresh.string());
    const testing::CliRun created = runCli("create-ledger 家庭");
    EXPECT_EQ(created.exitCode, 0) << created.errors;
    EXPECT_TRUE(fs::is_regular_file(fresh / "books" / "books.edb"));
    EXPECT_TRUE(fs::is_regular_file(fresh / "data" / "家庭.edb"));
}

}  // namespace
}  // namespace qinghe
