#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "entry/entry_vouchers.h"
#include "entry/image_codec.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/cli/cli_run.h"
#include "tests/support/image_files.h"
#include "tests/support/ledger_data.h"
#include "tests/support/sample_photo.h"
#include "tests/support/scripted_user.h"

// qinghe-cli vouchers: an entry's images listed and written out, as a script
// would run it.

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;
using testing::runCli;
using testing::shellWord;

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class VouchersCommandTest : public ::testing::Test {
  protected:
    VouchersCommandTest() {
        photo_ = entry::encodeJpeg(testing::samplePhoto(64, 48), 80).value();
        // A comment holding the separator: stored between two others it must
        // still come back whole.
        const std::string comment = "a|||b";
        photoWithBars_ = testing::withSegment(photo_, std::string("\xFF\xFE\x00\x07", 4) + comment);
        png_ = testing::pngBytes(9, 7, testing::checkerboard());
    }

    // A ledger named `name` with one entry per list of images.
    void makeLedger(const std::string& name, const std::string& password,
                    const std::vector<entry::VoucherList>& entries) {
        testing::ScriptedUser user;
        FixedClock clock{42136.5};
        AppState state(RunDirectory(run_.path()), files_, clock, user);
        if (!files_.exists(ledger::registryFile(state))) {
            ASSERT_TRUE(ledger::createRegistry(state));
        }
        ASSERT_EQ(ledger::createLedger(state, gbk(name), gbk(password)),
                  ledger::CreateLedgerResult::Created);
        const fs::path table = run_ / "data" / (name + ".edb");
        std::vector<testing::TestEntry> rows(entries.size());
        ASSERT_TRUE(testing::appendEntries(state, table, rows));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            ASSERT_TRUE(state.tables.goTo(static_cast<std::int32_t>(i + 1)));
            ASSERT_TRUE(entry::writeEntryVouchers(state.tables, entries[i]));
        }
        ASSERT_TRUE(state.tables.commit());
    }

    std::string run() const { return shellWord(run_.path()); }

    TemporaryFolder run_;
    TemporaryFolder out_;
    store::PosixFileSystem files_;
    std::string photo_, photoWithBars_, png_;
};

TEST_F(VouchersCommandTest, ListsAnEntrysImagesAndWritesThemOut) {
    makeLedger("家庭", "", {{}, {"a note, not a picture", photo_, photoWithBars_, png_}});
    const auto line = [](int index, std::size_t bytes, const char* kind, int width, int height) {
        nlohmann::ordered_json j = {{"index", index}, {"bytes", bytes}, {"kind", kind}};
        j["width"] = width ? nlohmann::ordered_json(width) : nlohmann::ordered_json(nullptr);
        j["height"] = height ? nlohmann::ordered_json(height) : nlohmann::ordered_json(nullptr);
        return j.dump();
    };
    const std::vector<std::string> lines = {
        line(1, 21, "unknown", 0, 0),
        line(2, photo_.size(), "jpeg", 64, 48),
        line(3, photoWithBars_.size(), "jpeg", 64, 48),
        line(4, png_.size(), "png", 9, 7),
    };
    testing::CliRun listed = runCli("vouchers " + run() + " 1 2");
    EXPECT_EQ(listed.exitCode, 0) << listed.errors;
    EXPECT_EQ(listed.lines, lines);

    const fs::path out = out_ / "凭证";
    testing::CliRun written = runCli("vouchers " + run() + " 1 2 --out " + shellWord(out));
    EXPECT_EQ(written.exitCode, 0) << written.errors;
    ASSERT_EQ(written.lines.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"voucher-1.bin", "a note, not a picture"},
        {"voucher-2.jpg", photo_},
        {"voucher-3.jpg", photoWithBars_},
        {"voucher-4.png", png_},
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].first);
        EXPECT_EQ(fileBytes(out / files[i].first), files[i].second);
        EXPECT_EQ(nlohmann::json::parse(written.lines[i])["file"], (out / files[i].first).string());
    }

    // An entry without images lists nothing.
    testing::CliRun none = runCli("vouchers " + run() + " 1 1");
    EXPECT_EQ(none.exitCode, 0) << none.errors;
    EXPECT_TRUE(none.lines.empty());
}

TEST_F(VouchersCommandTest, RefusesWhatItCannotReadAndReadsNothingItShouldNot) {
    makeLedger("家庭", "", {{photo_}});
    makeLedger("私房钱", "芝麻开门", {{png_}});
    std::ofstream(out_ / "a file") << "x";
    struct Case {
        std::string arguments;
        int exitCode;
        std::size_t lines;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"1 1", 0, 1, ""},
        {"1 0", 1, 0, "no entry at record 0 (the ledger holds 1)"},
        {"1 2", 1, 0, "no entry at record 2"},
        {"3 1", 1, 0, "no ledger at registry record 3"},
        {"2 1", 1, 0, "--ledger-password"},
        {"2 1 --ledger-password 芝麻", 1, 0, "密码输入错误，请重新输入！"},
        {"2 1 --ledger-password 芝麻开门", 0, 1, ""},
        {"1 1 --out " + shellWord(out_ / "a file"), 1, 0, "cannot make the folder"},
        {"1", 2, 0, ""},
        {"1 first", 2, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        testing::CliRun listed = runCli("vouchers " + run() + " " + c.arguments);
        EXPECT_EQ(listed.exitCode, c.exitCode) << listed.errors;
        EXPECT_EQ(listed.lines.size(), c.lines);
        EXPECT_NE(listed.errors.find(c.error), std::string::npos) << listed.errors;
    }
}

}  // namespace
}  // namespace qinghe
