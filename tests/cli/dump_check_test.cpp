#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "store/schemas.h"
#include "store/table_store.h"
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
        store::TableStore tables(files_, clock_, user_);
        ASSERT_TRUE(tables.create(path_, store::entryFields()));
        ASSERT_TRUE(tables.open(path_, "", ""));
        ASSERT_TRUE(tables.setPassword(store::kStorePassword));
        ASSERT_TRUE(tables.append());
        ASSERT_TRUE(tables.write(store::field::kDate, store::DateTime{42136}));
        ASSERT_TRUE(tables.write(store::field::kDirection, std::int32_t{1}));
        ASSERT_TRUE(tables.write(store::field::kItem, std::string("\xB9\xA4\xD7\xCA")));  // 工资
        ASSERT_TRUE(tables.write(store::field::kAmount, 2580.75));
        ASSERT_TRUE(tables.write(store::field::kHasVoucher, true));
        ASSERT_TRUE(tables.write(store::field::kVouchers, store::Bytes{"abc"}));
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
}

}  // namespace
}  // namespace qinghe
