#include "config/autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/temporary_folder.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AutostartTest, EntryIsWrittenIntoANewFolderAndRemoved) {
    const TemporaryFolder folder;
    const fs::path autostart = folder.path() / "config" / "autostart";
    const fs::path entry = autostart / "qinghe.desktop";

    ASSERT_TRUE(setAutostart(autostart, "/opt/qinghe/qinghe", true));
    EXPECT_EQ(readFile(entry),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=青禾 家庭流水记账软件\n"
              "Exec=\"/opt/qinghe/qinghe\"\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");

    ASSERT_TRUE(setAutostart(autostart, "/opt/other/qinghe", true)) << "replaces the entry";
    EXPECT_NE(readFile(entry).find("Exec=\"/opt/other/qinghe\"\n"), std::string::npos);

    ASSERT_TRUE(setAutostart(autostart, "/opt/qinghe/qinghe", false));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(setAutostart(autostart, "/opt/qinghe/qinghe", false)) << "already gone";
    EXPECT_FALSE(setAutostart({}, "/opt/qinghe/qinghe", true));
}

// Readers undo the string escapes first, then the quoting, then expand "%%".
TEST(AutostartTest, ExecQuotesAnyPath) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/a b/qinghe", R"("/home/a b/qinghe")"},
        {"/x/$HOME", R"("/x/\\$HOME")"},
        {"/x/a\\b", R"("/x/a\\\\b")"},
        {"/x/\"q\"", R"("/x/\\"q\\"")"},
        {"/x/`cmd`", R"("/x/\\`cmd\\`")"},
        {"/x/100%", R"("/x/100%%")"},
        {"/x/a\nb\tc", R"("/x/a\nb\tc")"},
        {"/x/;|&<>*?#()'~", R"("/x/;|&<>*?#()'~")"},
    };
    for (const auto& [path, exec] : cases) {
        SCOPED_TRACE(path);
        EXPECT_NE(autostartEntryText(path).find("\nExec=" + exec + "\n"), std::string::npos)
            << autostartEntryText(path);
    }
}

// A program started on a data folder of its own (--data-dir, QINGHE_DATA_DIR)
// starts on it again with the desktop session.
TEST(AutostartTest, EntryPassesOnTheDataFolderItWasGiven) {
    const TemporaryFolder folder;
    const fs::path autostart = folder.path() / "autostart";
    ASSERT_TRUE(setAutostart(autostart, "/usr/bin/qinghe", true, "/srv/家 账"));
    EXPECT_NE(readFile(autostart / "qinghe.desktop")
                  .find("\nExec=\"/usr/bin/qinghe\" --data-dir \"/srv/家 账\"\n"),
              std::string::npos)
        << readFile(autostart / "qinghe.desktop");
    EXPECT_NE(autostartEntryText("/usr/bin/qinghe", "/x/$HOME")
                  .find(R"(Exec="/usr/bin/qinghe" --data-dir "/x/\\$HOME")"),
              std::string::npos);
}

TEST(AutostartTest, ThisProgramIsTheRunningExecutable) {
    const AutostartPlaces places = AutostartPlaces::ofThisProgram("/srv/data");
    EXPECT_EQ(places.executable.filename(), "config_tests");
    EXPECT_TRUE(fs::exists(places.executable));
    EXPECT_EQ(places.dataFolder, fs::path("/srv/data"));
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(AutostartTest, DefaultFolderFollowsXdgConfigHome) {
    const ScopedEnvironment home("HOME", "/home/user");
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(defaultAutostartFolder(), fs::path("/cfg/autostart"));
    }
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(defaultAutostartFolder(), fs::path("/home/user/.config/autostart"));
    }
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(defaultAutostartFolder(), fs::path("/home/user/.config/autostart"));
    }
}

}  // namespace
}  // namespace qinghe
