#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "entry/image_codec.h"
#include "entry/voucher_list.h"
#include "report/entry_export.h"
#include "report/export_flows.h"
#include "tests/report/report_fixture.h"
#include "tests/support/image_files.h"
#include "tests/support/sample_photo.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

const EntryValues kWages = {.date = 42136.75,
                            .direction = Direction::Income,
                            .item = gbk("工资"),
                            .amount = 5000,
                            .member = gbk("爸爸"),
                            .note = gbk("五月")};

TEST(EntryLine, HoldsExactlyTheseBytes) {
    struct Case {
        const char* what;
        EntryValues values;
        std::string line;
    };
    EntryValues noNote = kWages;
    noNote.note.clear();
    const Case cases[] = {
        {"with a note", kWages, gbk("2015-05-12 爸爸 工资 收入 金额：5000 [五月]")},
        {"without a note: ends in the space", noNote, gbk("2015-05-12 爸爸 工资 收入 金额：5000 ")},
        {"the amount not rounded",
         {.date = 42136,
          .direction = Direction::Expense,
          .item = "a",
          .amount = 12.345,
          .member = "b"},
         gbk("2015-05-12 b a 支出 金额：12.345 ")},
        {"empty member and item keep their spaces",
         {.date = 42136, .direction = directionFromStored(0), .amount = 0.1},
         gbk("2015-05-12   支出 金额：0.1 ")},
        {"a large amount",
         {.date = 42136, .direction = Direction::Income, .amount = 3000000.01},
         gbk("2015-05-12   收入 金额：3000000.01 ")},
    };
    for (const Case& c : cases) EXPECT_EQ(report::entryLine(c.values), c.line) << c.what;
}

class ExportTest : public testing::ReportTest {
  protected:
    fs::path entryFolder(int number) const { return out_ / std::to_string(number); }
    fs::path pictures(int number) const { return entryFolder(number) / onDisk(gbk("凭证")); }
    fs::path textFile(int number) const { return entryFolder(number) / onDisk(gbk("账目.txt")); }

    std::vector<std::string> pictureNames(int number) const {
        std::vector<std::string> names;
        for (const auto& file : fs::directory_iterator(pictures(number)))
            names.push_back(file.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string jpeg_ = entry::encodeJpeg(testing::samplePhoto(40, 30), 80).value();
    std::string png_ = testing::pngBytes(24, 16, testing::checkerboard(true));
    // A PNG's signature and no more: a piece of its own, but no picture.
    std::string brokenPng_ = png_.substr(0, 12);
};

TEST_F(ExportTest, WritesTheLayoutWithTheLineAndEveryPicture) {
    add({.date = 42000, .amount = 1});
    add(kWages, entry::joinVouchers({jpeg_, png_, brokenPng_, jpeg_}));
    const report::EntryExport result = report::exportEntry(state_, 1, out_, {});
    ASSERT_TRUE(result.written());
    EXPECT_EQ(result.folder, entryFolder(2));
    EXPECT_EQ(fileBytes(textFile(2)), report::entryLine(kWages));
    EXPECT_EQ(pictureNames(2), (std::vector<std::string>{"1.jpg", "2.jpg", "4.jpg"}));
    EXPECT_EQ(result.skipped, (std::vector<int>{3}));
    EXPECT_EQ(result.images, 3);
    // A JPEG as it was stored; the PNG as a JPEG of the same size.
    EXPECT_EQ(fileBytes(pictures(2) / "1.jpg"), jpeg_);
    const std::string converted = fileBytes(pictures(2) / "2.jpg");
    ASSERT_EQ(entry::readImageInfo(converted)->kind, entry::ImageKind::Jpeg);
    EXPECT_EQ(entry::readImageInfo(converted)->size, (entry::PixelSize{24, 16}));
    EXPECT_FALSE(fs::exists(entryFolder(1)));
}

TEST_F(ExportTest, ChoicesLeaveOutTheTextOrThePicturesButMakeBothFolders) {
    add(kWages, jpeg_);
    struct Case {
        const char* what;
        report::ExportChoice choice;
        bool text;
        std::vector<std::string> pictures;
    };
    const Case cases[] = {
        {"both", {true, true}, true, {"1.jpg"}},
        {"the text only", {true, false}, true, {}},
        {"the pictures only", {false, true}, false, {"1.jpg"}},
        {"neither", {false, false}, false, {}},
    };
    for (const Case& c : cases) {
        fs::remove_all(out_);
        fs::create_directories(out_);
        ASSERT_TRUE(report::exportEntry(state_, 0, out_, c.choice).written()) << c.what;
        EXPECT_TRUE(fs::is_directory(pictures(1))) << c.what;
        EXPECT_EQ(fs::exists(textFile(1)), c.text) << c.what;
        EXPECT_EQ(pictureNames(1), c.pictures) << c.what;
    }
}

TEST_F(ExportTest, AFolderEndingInASeparatorGetsNoSecondOne) {
    add(kWages);
    const report::EntryExport result =
        report::exportEntry(state_, 0, fs::path(out_.string() + "/"), {});
    ASSERT_TRUE(result.written());
    EXPECT_EQ(result.folder.string(), out_.string() + "/1");
    EXPECT_TRUE(fs::exists(textFile(1)));
}

TEST_F(ExportTest, ExportingAgainReplacesFilesAndKeepsLaterPictures) {
    add(kWages, entry::joinVouchers({jpeg_, jpeg_, jpeg_}));
    ASSERT_TRUE(report::exportEntry(state_, 0, out_, {}).written());
    EntryValues changed = kWages;
    changed.note = gbk("改过");
    ASSERT_TRUE(entry::changeEntry(state_, 0, changed, png_, nullptr));
    ASSERT_TRUE(report::exportEntry(state_, 0, out_, {}).written());
    EXPECT_EQ(fileBytes(textFile(1)), report::entryLine(changed));
    EXPECT_EQ(pictureNames(1), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_NE(fileBytes(pictures(1) / "1.jpg"), jpeg_);  // now the PNG's
    EXPECT_EQ(fileBytes(pictures(1) / "2.jpg"), jpeg_);  // from the first export
}

TEST_F(ExportTest, FailedWritesAreReportedWithWhereTheyFailed) {
    add(kWages, jpeg_);
    struct Case {
        const char* what;
        std::function<fs::path()> prepare;  // the folder to export into
        fs::path failedAt;
    };
    const fs::path blocker = folder_ / "a file";
    const Case cases[] = {
        {"the folder lies below a file",
         [&] {
             testing::writeFile(blocker, "x");
             return blocker / "sub";
         },
         blocker / "sub" / "1"},
        {"the entry's folder is a file",
         [&] {
             testing::writeFile(out_ / "1", "x");
             return out_;
         },
         out_ / "1"},
        {"账目.txt is a folder",
         [&] {
             fs::create_directories(textFile(1));
             return out_;
         },
         textFile(1)},
        {"a picture's name is a folder",
         [&] {
             fs::create_directories(pictures(1) / "1.jpg" / "x");
             return out_;
         },
         pictures(1) / "1.jpg"},
    };
    for (const Case& c : cases) {
        fs::remove_all(out_);
        fs::remove_all(blocker);
        fs::create_directories(out_);
        const fs::path folder = c.prepare();
        const report::EntryExport result = report::exportEntry(state_, 0, folder, {});
        EXPECT_EQ(result.outcome, report::EntryExport::Outcome::WriteFailed) << c.what;
        EXPECT_EQ(result.failedAt, c.failedAt) << c.what;
    }
}

TEST_F(ExportTest, NoSuchEntryExportsNothing) {
    add(kWages);
    EXPECT_EQ(report::exportEntry(state_, 1, out_, {}).outcome,
              report::EntryExport::Outcome::NoEntry);
    EXPECT_TRUE(fs::is_empty(out_));
}

// --- the commands, with their questions and messages ---------------------------------

TEST_F(ExportTest, ExportCommandAsksForAFolderAndTheChoiceThenTellsHowItWent) {
    add(kWages, entry::joinVouchers({jpeg_, brokenPng_}));
    struct Case {
        const char* what;
        std::optional<std::size_t> row;
        std::optional<fs::path> folder;
        std::optional<std::vector<std::string>> choice;  // nothing: cancelled
        bool exported;
        std::string message;  // UTF-8; empty: none
        MessageIcon icon = MessageIcon::Information;
    };
    const Case cases[] = {
        {"nothing selected", std::nullopt, out_, {{"1", "1"}}, false, ""},
        {"the folder chooser cancelled", 0, std::nullopt, {{"1", "1"}}, false, ""},
        {"the choice cancelled", 0, out_, std::nullopt, false, ""},
        {"exported",
         0,
         out_,
         {{"1", "1"}},
         true,
         "账目导出成功！\n以下凭证不是可以识别的图片，没有导出：第2张"},
        {"no pictures asked for", 0, out_, {{"1", "0"}}, true, "账目导出成功！"},
        {"a write that fails",
         0,
         out_ / "1" / "x",
         {{"1", "1"}},
         false,
         "账目导出失败：无法写入“" + (out_ / "1" / "x" / "1").string() +
             "”，请检查该位置是否可以写入、磁盘是否还有空间！",
         MessageIcon::Error},
    };
    for (const Case& c : cases) {
        fs::remove_all(out_);
        fs::create_directories(out_);
        if (c.folder && c.folder->parent_path() == out_ / "1") testing::writeFile(out_ / "1", "");
        user_ = {};
        user_.folders.push_back(c.folder);
        if (c.choice) user_.formVisits.push_back({*c.choice});
        const auto result = report::exportEntryCommand(state_, c.row);
        EXPECT_EQ(result && result->written(), c.exported) << c.what;
        if (c.message.empty()) {
            EXPECT_TRUE(user_.messages.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(user_.messages.size(), 1u) << c.what;
        EXPECT_EQ(gbkToUtf8Lossy(user_.messages[0].text), c.message) << c.what;
        EXPECT_EQ(user_.messages[0].icon, c.icon) << c.what;
        EXPECT_EQ(gbkToUtf8Lossy(user_.messages[0].title),
                  c.icon == MessageIcon::Error ? "错误" : "完成")
            << c.what;
        EXPECT_EQ(gbkToUtf8Lossy(user_.folderTitles.at(0)), "请选择一个存放位置：") << c.what;
        EXPECT_EQ(user_.initialFolders.at(0), state_.run.root()) << c.what;
        ASSERT_EQ(user_.formRequests.size(), 1u) << c.what;
        EXPECT_EQ(user_.formRequests[0].kind, FormKind::ExportChoice) << c.what;
        EXPECT_EQ(user_.formRequests[0].initial, (std::vector<std::string>{"1", "1"})) << c.what;
    }
}

// An entry's folder never goes into the data folder; one that is there is
// replaced only when the user says OK, asked once also for "全部导出".
TEST_F(ExportTest, ExportsStayOutOfTheDataFolderAndAskBeforeReplacing) {
    add(kWages, jpeg_);
    add(kWages);
    const fs::path data = state_.run.root() / "data";
    std::vector<fs::path> dataFiles;
    for (const auto& file : fs::directory_iterator(data)) dataFiles.push_back(file.path());
    struct Case {
        const char* what;
        fs::path folder;
        bool all;
        std::optional<MessageAnswer> answer;  // to the question; none: refused unasked
        bool exported;
    };
    const Case cases[] = {
        {"one into data/", data, false, std::nullopt, false},
        {"all into backup/", state_.run.root() / "backup", true, std::nullopt, false},
        {"one over its folder, kept", out_, false, MessageAnswer::Cancel, false},
        {"one over its folder, replaced", out_, false, MessageAnswer::Ok, true},
        {"all over the second's folder, kept", out_, true, MessageAnswer::Cancel, false},
        {"all over the second's folder, replaced", out_, true, MessageAnswer::Ok, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(out_);
        fs::create_directories(out_ / (c.all ? "2" : "1"));
        testing::writeFile(out_ / (c.all ? "2" : "1") / "mine.txt", "mine");
        user_ = {};
        user_.folders.push_back(c.folder);
        user_.formVisits.push_back({{"1", "1"}});
        if (c.answer) user_.answers.push_back(*c.answer);
        const bool exported = c.all ? report::exportAllCommand(state_) == 2
                                    : report::exportEntryCommand(state_, 0).has_value();
        EXPECT_EQ(exported, c.exported);
        ASSERT_FALSE(user_.messages.empty());
        const std::string first = gbkToUtf8Lossy(user_.messages[0].text);
        if (c.answer) {
            EXPECT_EQ(first, "这个位置已有同名的文件，要替换它吗？\n" +
                                 (out_ / (c.all ? "2" : "1")).string());
            EXPECT_EQ(user_.formRequests.size(), c.exported ? 1u : 0u);
        } else {
            EXPECT_EQ(first.rfind("不能导出到软件的数据文件夹中", 0), 0u) << first;
            EXPECT_TRUE(user_.formRequests.empty());
        }
        EXPECT_EQ(fs::exists(textFile(1)), c.exported);
    }
    std::vector<fs::path> dataAfter;
    for (const auto& file : fs::directory_iterator(data)) dataAfter.push_back(file.path());
    std::sort(dataFiles.begin(), dataFiles.end());
    std::sort(dataAfter.begin(), dataAfter.end());
    EXPECT_EQ(dataAfter, dataFiles);
    EXPECT_FALSE(fs::exists(state_.run.root() / "backup" / "1"));
}

TEST_F(ExportTest, ExportAllWritesEveryEntryBehindTheProgressWindow) {
    add(kWages, jpeg_);
    add({.date = 42137, .amount = 2}, entry::joinVouchers({"junk", png_}));
    add({.date = 42138, .amount = 3});
    user_.folders.push_back(out_);
    user_.formVisits.push_back({{"1", "1"}});
    EXPECT_EQ(report::exportAllCommand(state_), 3u);
    ASSERT_EQ(user_.progressTexts.size(), 1u);
    EXPECT_EQ(gbkToUtf8Lossy(user_.progressTexts[0]), "正在导出全部账目，请稍候...");
    for (int number : {1, 2, 3}) EXPECT_TRUE(fs::exists(textFile(number))) << number;
    EXPECT_EQ(pictureNames(1), (std::vector<std::string>{"1.jpg"}));
    EXPECT_EQ(pictureNames(2), (std::vector<std::string>{"2.jpg"}));
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(
        gbkToUtf8Lossy(user_.messages[0].text),
        "账目导出成功！共导出3条账目。\n以下凭证不是可以识别的图片，没有导出：第2条账目的第1张");
}

TEST_F(ExportTest, ExportAllStopsAtTheFirstFailureAndNamesIt) {
    add(kWages);
    add(kWages);
    testing::writeFile(out_ / "2", "x");
    user_.folders.push_back(out_);
    user_.formVisits.push_back({{"1", "1"}});
    EXPECT_EQ(report::exportAllCommand(state_), 1u);
    // Asked first whether to replace what is at 2 (OK), then told it failed.
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(user_.messages[1].icon, MessageIcon::Error);
    EXPECT_NE(gbkToUtf8Lossy(user_.messages[1].text).find((out_ / "2").string()),
              std::string::npos);
}

TEST_F(ExportTest, ExportAllOfAnEmptyLedgerSaysSoAndAsksNothing) {
    EXPECT_EQ(report::exportAllCommand(state_), 0u);
    EXPECT_TRUE(user_.folderTitles.empty());
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(gbkToUtf8Lossy(user_.messages[0].text), "当前账簿中没有账目可以导出！");
}

}  // namespace
}  // namespace qinghe
