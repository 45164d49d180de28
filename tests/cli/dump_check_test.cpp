#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/temporary_folder.h"
#include "store/table_store.h"
#include "tables/schemas.h"
#include "tests/cli/cli_run.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::CliRun;
using testing::runCli;
using testing::shellWord;

// An enciphered entry table with two entries, the second deleted, and a voucher.
class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = folder_ / "账本.edb";
        store::TableStore tables(files_, clock_);
        ASSERT_TRUE(tables.create(path_, tables::entryFields()));
        ASSERT_TRUE(tables.open(path_, "", ""));
        ASSERT_TRUE(tables.setPassword(tables::kStorePassword));
        ASSERT_TRUE(tables.append());
        ASSERT_TRUE(tables.write(tables::field::kDate, store::DateTime{42136}));
        ASSERT_TRUE(tables.write(tables::field::kDirection, std::int32_t{1}));
        ASSERT_TRUE(tables.write(tables::field::kItem, gbkText("工资")));
        ASSERT_TRUE(tables.write(tables::field::kAmount, 2580.75));
        ASSERT_TRUE(tables.write(tables::field::kHasVoucher, true));
        ASSERT_TRUE(tables.write(tables::field::kVouchers, store::Bytes{"abc"}));
        ASSERT_TRUE(tables.append());
        ASSERT_TRUE(tables.remove());
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.0};
    testing::ScriptedUser user_;
    std::filesystem::path path_;
};

TEST_F(CliTest, DumpPrintsTheHeaderAndEveryRecord) {
    CliRun run =
        runCli("dump " + shellWord(path_) + " --bytes-dir " + shellWord(folder_ / "bytes"));
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 3u);
    auto header = nlohmann::json::parse(run.lines[0]);
    EXPECT_EQ(header["magic"], "WCDB");
    EXPECT_EQ(header["record_count"], 2);
    EXPECT_EQ(header["next_sequence"], 3);
    EXPECT_EQ(header["record_size"], 611);
    EXPECT_EQ(header["fields"][2]["name"], "项目");
    EXPECT_EQ(header["fields"][2]["offset"], 16);
    EXPECT_EQ(header["fields"][2]["width"], 50);

    auto first = nlohmann::json::parse(run.lines[1]);
    EXPECT_EQ(first["recno"], 1);
    EXPECT_EQ(first["seq"], 1);
    EXPECT_EQ(first["deleted"], false);
    EXPECT_EQ(first["fields"]["日期"], 42136.0);
    EXPECT_EQ(first["fields"]["项目"], "工资");
    EXPECT_EQ(first["fields"]["金额"], 2580.75);
    EXPECT_EQ(first["fields"]["票据附录"], true);
    EXPECT_EQ(first["fields"]["票据"]["length"], 3);
    EXPECT_EQ(first["fields"]["票据"]["md5"], "900150983cd24fb0d6963f7d28e17f72");
    auto second = nlohmann::json::parse(run.lines[2]);
    EXPECT_EQ(second["seq"], -2);
    EXPECT_EQ(second["deleted"], true);

    std::ifstream bytes(folder_ / "bytes" / "1-票据.bin");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(bytes), {}), "abc");
}

TEST_F(CliTest, DumpNeedsTheRightPassword) {
    EXPECT_EQ(runCli("dump " + shellWord(path_) + " --password ''").exitCode, 2);
    EXPECT_EQ(runCli("dump " + shellWord(path_) + " --password wrong").exitCode, 2);
}

TEST_F(CliTest, CheckTellsCleanDamagedAndUnreadableTablesApart) {
    CliRun clean = runCli("check " + shellWord(path_));
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_TRUE(clean.lines.empty());

    // A chain that points at itself and a record count beyond the file.
    std::filesystem::path companion = folder_ / "账本.EDT";
    {
        std::fstream file(companion, std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(512 + 4);
        char next[4];
        file.read(next, 4);
        // Enciphered: flip the stored bits so that next = 1 under the key stream.
        next[0] ^= 1;
        file.seekp(512 + 4);
        file.write(next, 4);
    }
    CliRun damaged = runCli("check " + shellWord(path_));
    EXPECT_EQ(damaged.exitCode, 1);
    ASSERT_FALSE(damaged.lines.empty());
    EXPECT_NE(damaged.lines[0].find("cycle"), std::string::npos) << damaged.lines[0];

    EXPECT_EQ(runCli("check " + shellWord(path_) + " --password wrong").exitCode, 2);
    EXPECT_EQ(runCli("check " + shellWord(folder_ / "missing.edb")).exitCode, 2);
    // Named as a table, a FIFO or a device is refused at once: opening it must
    // not wait for a writer.
    const std::filesystem::path fifo = folder_ / "fifo.edb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const char* command : {"check ", "dump ", "repair "}) {
        for (const std::filesystem::path& table : {fifo, std::filesystem::path("/dev/zero")})
            EXPECT_EQ(runCli(command + shellWord(table)).exitCode, 2) << command << table;
    }
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> contents(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

// Cuts the data file inside its last record: the header counts one record more
// than the file holds.
void cutLastRecord(const std::filesystem::path& table) {
    std::filesystem::resize_file(table, std::filesystem::file_size(table) - 100);
}

TEST_F(CliTest, ReadingNeverWritesAndBrokenValuesAreNotShownAsEmpty) {
    // A value whose chain runs in a cycle, and a file cut inside its last record.
    {
        std::fstream file(folder_ / "账本.EDT", std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(512 + 4);
        char next[4];
        file.read(next, 4);
        next[0] ^= 1;
        file.seekp(512 + 4);
        file.write(next, 4);
    }
    cutLastRecord(path_);
    const auto before = contents(folder_.path());

    CliRun dumped = runCli("dump " + shellWord(path_));
    EXPECT_EQ(dumped.exitCode, 1);
    ASSERT_EQ(dumped.lines.size(), 2u);  // the cut record is not counted
    auto first = nlohmann::json::parse(dumped.lines[1]);
    EXPECT_EQ(first["fields"]["票据"]["damaged"], true);
    EXPECT_EQ(runCli("check " + shellWord(path_)).exitCode, 1);
    EXPECT_EQ(contents(folder_.path()), before);
}

TEST_F(CliTest, RepairKeepsACopyOfTheDamagedFilesThenMendsThem) {
    cutLastRecord(path_);
    const auto damaged = contents(folder_.path());
    CliRun repaired = runCli("repair " + shellWord(path_));
    EXPECT_EQ(repaired.exitCode, 0) << repaired.errors;
    ASSERT_FALSE(repaired.lines.empty());
    EXPECT_NE(repaired.lines[0].find("whole records"), std::string::npos) << repaired.lines[0];

    // The copies hold the bytes as they were, under names with the date.
    const auto after = contents(folder_.path());
    int copies = 0;
    for (const auto& [name, bytes] : after) {
        if (name.find(".damaged-") == std::string::npos) continue;
        ++copies;
        const std::string original = name.substr(0, name.find(".damaged-"));
        EXPECT_EQ(bytes, damaged.at(original)) << name;
    }
    EXPECT_EQ(copies, 2);  // the data file and its companion
    EXPECT_EQ(runCli("check " + shellWord(path_)).exitCode, 0);
    CliRun again = runCli("repair " + shellWord(path_));
    EXPECT_EQ(again.lines, std::vector<std::string>{"nothing to repair"});
}

}  // namespace
}  // namespace qinghe
