#include "common/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/temporary_folder.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;

struct Case {
    const char* what;
    DataFolderInputs inputs;
    fs::path folder;
    DataFolderSource source;
};

TEST(DataFolder, RuleTakesTheFirstThatApplies) {
    const auto in = [](const char* exe, bool writable, bool installed = false) {
        DataFolderInputs inputs;
        inputs.executableFolder = exe;
        inputs.executableFolderWritable = writable;
        inputs.installedTree = installed;
        inputs.home = "/home/mei";
        return inputs;
    };
    const auto with = [](DataFolderInputs inputs, auto change) {
        change(inputs);
        return inputs;
    };
    using S = DataFolderSource;
    const std::vector<Case> cases = {
        {"build folder", in("/work/qinghe/build", true), "/work/qinghe/build", S::Portable},
        {"portable copy", in("/home/mei/青禾", true), "/home/mei/青禾", S::Portable},
        {"read-only copy", in("/media/cd/qinghe", false), "/home/mei/.local/share/qinghe",
         S::UserData},
        {"installed, user", in("/usr/bin", false), "/home/mei/.local/share/qinghe", S::UserData},
        {"installed, root may write /usr/bin", in("/usr/bin", true),
         "/home/mei/.local/share/qinghe", S::UserData},
        {"/usr/local", in("/usr/local/bin", true), "/home/mei/.local/share/qinghe", S::UserData},
        {"/opt", in("/opt/qinghe", true), "/home/mei/.local/share/qinghe", S::UserData},
        {"/opt spelt with dots", in("/opt/../opt/qinghe/", true), "/home/mei/.local/share/qinghe",
         S::UserData},
        {"a folder merely named usr", in("/home/mei/usr/qinghe", true), "/home/mei/usr/qinghe",
         S::Portable},
        {"/optional is not /opt", in("/optional/qinghe", true), "/optional/qinghe", S::Portable},
        {"installed under ~/.local", in("/home/mei/.local/bin", true, true),
         "/home/mei/.local/share/qinghe", S::UserData},
        {"XDG_DATA_HOME", with(in("/usr/bin", false), [](auto& i) { i.xdgDataHome = "/d/x"; }),
         "/d/x/qinghe", S::UserData},
        {"relative XDG_DATA_HOME ignored",
         with(in("/usr/bin", false), [](auto& i) { i.xdgDataHome = "d/x"; }),
         "/home/mei/.local/share/qinghe", S::UserData},
        {"XDG_DATA_HOME does not move a portable copy",
         with(in("/home/mei/青禾", true), [](auto& i) { i.xdgDataHome = "/d/x"; }),
         "/home/mei/青禾", S::Portable},
        {"QINGHE_DATA_DIR over the portable folder",
         with(in("/home/mei/青禾", true), [](auto& i) { i.qingheDataDir = "/srv/账本"; }),
         "/srv/账本", S::Environment},
        {"QINGHE_DATA_DIR over the user's folder",
         with(in("/usr/bin", false), [](auto& i) { i.qingheDataDir = "/srv/账本/"; }), "/srv/账本/",
         S::Environment},
        {"--data-dir over everything",
         with(in("/usr/bin", false),
              [](auto& i) {
                  i.qingheDataDir = "/srv/env";
                  i.xdgDataHome = "/d/x";
                  i.argument = "/srv/arg";
              }),
         "/srv/arg", S::Argument},
        {"empty --data-dir is no argument",
         with(in("/work/b", true), [](auto& i) { i.argument = fs::path(); }), "/work/b",
         S::Portable},
        {"no home folder at all", with(in("/usr/bin", false), [](auto& i) { i.home.clear(); }), "",
         S::None},
        {"XDG_DATA_HOME without a home",
         with(in("/usr/bin", false),
              [](auto& i) {
                  i.home.clear();
                  i.xdgDataHome = "/d/x";
              }),
         "/d/x/qinghe", S::UserData},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DataFolderChoice choice = chooseDataFolder(c.inputs);
        EXPECT_EQ(choice.folder, c.folder.lexically_normal());
        EXPECT_EQ(choice.source, c.source);
    }
}

TEST(DataFolder, ThisProcessSeesItsOwnFolderAndInstalledTrees) {
    const DataFolderInputs inputs = dataFolderInputsOfThisProcess(fs::path("relative/dir"));
    ASSERT_TRUE(inputs.executableFolder.is_absolute());
    EXPECT_TRUE(fs::exists(inputs.executableFolder / "common_tests"));
    EXPECT_FALSE(inputs.installedTree) << "the build folder is no installed tree";
    ASSERT_TRUE(inputs.argument.has_value());
    EXPECT_EQ(*inputs.argument, (fs::current_path() / "relative/dir").lexically_normal());
    EXPECT_FALSE(inputs.home.empty());
}

TEST(DataFolder, MakeDataFolderMakesEveryFolderOrSaysWhyNot) {
    const TemporaryFolder folder;
    const fs::path deep = folder / "home" / ".local" / "share" / "qinghe";
    EXPECT_EQ(makeDataFolder(deep), "");
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(makeDataFolder(deep), "") << "already there";

    std::ofstream(folder / "file") << "a file where the folder should be";
    const std::string why = makeDataFolder(folder / "file" / "qinghe");
    EXPECT_NE(why.find((folder / "file" / "qinghe").string()), std::string::npos) << why;
    EXPECT_NE(makeDataFolder({}), "");
}

}  // namespace
}  // namespace qinghe

namespace qinghe {
namespace {

// Each data folder has a cache folder of its own, outside it, found again by
// the same path; no home known: no cache.
TEST(DataFolder, CachesLieOutsideTheDataFolderOneFolderEach) {
    const auto family = cacheFolderFor("/home/a/账本", "", "/home/a");
    EXPECT_EQ(family.parent_path(), "/home/a/.cache/qinghe");
    EXPECT_EQ(cacheFolderFor("/home/a/账本/", "", "/home/a"), family);
    EXPECT_EQ(cacheFolderFor("/home/a/x/../账本", "/c", "/home/a").parent_path(), "/c/qinghe");
    EXPECT_EQ(cacheFolderFor("/home/a/x/../账本", "/c", "/home/a").filename(), family.filename());
    EXPECT_NE(cacheFolderFor("/home/a/账本2", "", "/home/a"), family);
    EXPECT_EQ(cacheFolderFor("/home/a/账本", "relative", "/home/a"), family);
    EXPECT_EQ(cacheFolderFor("/home/a/账本", "", ""), std::filesystem::path());
}

}  // namespace
}  // namespace qinghe
