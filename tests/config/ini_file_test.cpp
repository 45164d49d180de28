#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/gbk.h"
#include "common/temporary_folder.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

const std::string kWages = gbkText("工资");

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temporary_.made());
        folder_ = temporary_.path();
        file_ = folder_ / "system.ini";
    }

    void put(const std::string& bytes) const {
        std::ofstream out(file_, std::ios::binary);
        out << bytes;
    }
    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TemporaryFolder temporary_;
    fs::path folder_;
    fs::path file_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(readIniString(file_, "setup", "qsy", "1"), "1");
    EXPECT_TRUE(readIniDocument(file_).keys("setup").empty());
    put("[setup]\nqsy=0\n");
    EXPECT_EQ(readIniString(file_, "setup", "qsy", "1"), "0");
    EXPECT_EQ(readIniString(file_, "setup", "sjzd", "1"), "1");
    EXPECT_EQ(readIniString(file_, "other", "qsy", "7"), "7");
    EXPECT_EQ(readIniString(folder_, "setup", "qsy", "d"), "d") << "a folder is no file";
}

TEST_F(IniFileTest, WritesCreateFileSectionAndKeyThenReplace) {
    ASSERT_TRUE(writeIniString(file_, "setup", "qsy", "1"));
    ASSERT_TRUE(writeIniString(file_, "setup", "sjzd", "1"));
    ASSERT_TRUE(writeIniString(file_, "list1", "1", kWages));
    EXPECT_EQ(contents(), "[setup]\r\nqsy=1\r\nsjzd=1\r\n[list1]\r\n1=" + kWages + "\r\n");

    ASSERT_TRUE(writeIniString(file_, "SETUP", "QSY", "0"));
    EXPECT_EQ(contents(), "[setup]\r\nqsy=0\r\nsjzd=1\r\n[list1]\r\n1=" + kWages + "\r\n");
    EXPECT_EQ(readIniString(file_, "list1", "1", ""), kWages);
    EXPECT_EQ(readIniDocument(file_).value("setup", "qsy"), "0");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"system.ini"}) << "no temp file left";
}

TEST_F(IniFileTest, ReplacingKeepsOtherBytesAndTheFileMode) {
    const std::string before = "; settings\n[setup]\r\nqsy = 0\nother=\"x\"\r\n\r\n";
    put(before);
    ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
    ASSERT_TRUE(writeIniString(file_, "setup", "qsy", "1"));
    EXPECT_EQ(contents(), "; settings\n[setup]\r\nqsy = 1\nother=\"x\"\r\n\r\n");
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(IniFileTest, FailedWritesTouchNothing) {
    const fs::path inMissingFolder = folder_ / "setup" / "system.ini";
    EXPECT_FALSE(writeIniString(inMissingFolder, "setup", "qsy", "1"));
    EXPECT_FALSE(fs::exists(folder_ / "setup"));

    put("[s]\nk=old\n");
    EXPECT_FALSE(writeIniString(file_, "s", "k", "new\nline"));
    EXPECT_FALSE(writeIniString(folder_, "s", "k", "v")) << "a folder is no file";
    EXPECT_EQ(contents(), "[s]\nk=old\n");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"system.ini"});
}

TEST_F(IniFileTest, AFifoInThePlaceOfTheFileDoesNotBlock) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    EXPECT_EQ(readIniString(file_, "setup", "qsy", "1"), "1");
    EXPECT_FALSE(writeIniString(file_, "setup", "qsy", "0"));
    EXPECT_TRUE(fs::is_fifo(file_));
}

TEST_F(IniFileTest, OversizedFilesAreRefusedNotRewritten) {
    put("[setup]\nqsy=0\n");
    const std::uintmax_t size = kIniMaxFileBytes + 1;
    fs::resize_file(file_, size);  // sparse: cheap to make
    EXPECT_EQ(readIniString(file_, "setup", "qsy", "1"), "1");
    EXPECT_FALSE(readIniDocument(file_).value("setup", "qsy"));
    EXPECT_FALSE(writeIniString(file_, "setup", "qsy", "1"));
    EXPECT_EQ(fs::file_size(file_), size);
    std::ifstream in(file_, std::ios::binary);
    std::string head(15, '\0');
    in.read(head.data(), 15);
    EXPECT_EQ(head, std::string("[setup]\nqsy=0\n\0", 15));
}

TEST_F(IniFileTest, ValueBufferAppliesToFileReads) {
    const std::string longValue(kIniValueBuffer + 100, 'v');
    ASSERT_TRUE(writeIniString(file_, "s", "k", longValue));
    EXPECT_EQ(readIniString(file_, "s", "k", ""), longValue.substr(0, kIniValueBuffer - 1));
    EXPECT_EQ(readIniString(file_, "s", "missing", longValue),
              longValue.substr(0, kIniValueBuffer - 1));
    EXPECT_EQ(contents().size(), longValue.size() + 9) << "written whole";
}

TEST_F(IniFileTest, LargeFileReads) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "[s" + std::to_string(i) + "]\nkey=value\n";
    text += "[last]\nkey=found\n";
    put(text);
    EXPECT_EQ(readIniString(file_, "last", "key", ""), "found");
    ASSERT_TRUE(writeIniString(file_, "last", "key", "changed"));
    EXPECT_EQ(readIniString(file_, "last", "key", ""), "changed");
    EXPECT_EQ(contents().size(), text.size() + 2);
}

TEST_F(IniFileTest, DeleteLeavesNoFile) {
    put("[s]\n");
    EXPECT_TRUE(deleteIniFile(file_));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_TRUE(deleteIniFile(file_)) << "already gone";
    EXPECT_TRUE(deleteIniFile(folder_ / "none" / "x.ini"));
    EXPECT_FALSE(deleteIniFile(folder_)) << "a folder is not removed";
    EXPECT_TRUE(fs::exists(folder_));
}

}  // namespace
}  // namespace qinghe
