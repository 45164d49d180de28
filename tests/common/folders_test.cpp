#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "common/folders.h"
#include "common/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed after each test.
class FoldersTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder_.made()); }

    const fs::path& root() const { return folder_.path(); }

    static void writeFile(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string readFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    qinghe::TemporaryFolder folder_;
};

struct MakePathCase {
    std::string suffix;  // appended to the temporary folder
    int expected;
    std::vector<std::string> made;     // folders that must exist afterwards
    std::vector<std::string> notMade;  // folders that must not
};

TEST_F(FoldersTest, MakeDirectoryPath) {
    fs::create_directories(root() / "old" / "older");
    writeFile(root() / "file", "x");
    const std::vector<MakePathCase> cases = {
        {"/a/b/c", 0, {"a", "a/b", "a/b/c"}, {}},
        {"/old", 2, {"old"}, {}},
        {"/old/older", 2, {"old/older"}, {}},
        {"/old/new", 0, {"old/new"}, {}},
        {"/d/", 1, {"d"}, {}},  // trailing separator: the folder is made, the result is 1
        {"/e//f", 1, {"e"}, {"f", "e/f"}},
        {"/g/./h", 1, {"g"}, {"g/h", "h"}},
        {"/i/../j", 1, {"i"}, {"j", "i/j"}},
        {"/file/k", 1, {}, {"file/k"}},  // a file stands in the way
    };
    for (const MakePathCase& c : cases) {
        EXPECT_EQ(qinghe::makeDirectoryPath(root().string() + c.suffix), c.expected) << c.suffix;
        for (const std::string& folder : c.made) {
            EXPECT_TRUE(fs::is_directory(root() / folder)) << c.suffix << ": " << folder;
        }
        for (const std::string& folder : c.notMade) {
            EXPECT_FALSE(fs::exists(root() / folder)) << c.suffix << ": " << folder;
        }
    }
}

TEST_F(FoldersTest, MakeDirectoryPathRefusesRelativeAndShortPaths) {
    const fs::path previous = fs::current_path();
    fs::current_path(root());
    for (const char* path : {"", "rel", "rel/x", "./x", "/"}) {
        EXPECT_EQ(qinghe::makeDirectoryPath(path), 1) << path;
    }
    fs::current_path(previous);
    EXPECT_TRUE(fs::is_empty(root()));
}

TEST_F(FoldersTest, DeleteFolderTreeRemovesEverythingBelow) {
    const fs::path run = root() / "run";
    writeFile(run / "data" / "a.edb", "a");
    writeFile(run / "data" / "sub" / "b.edb", "b");
    writeFile(run / "keep.ini", "k");
    EXPECT_TRUE(qinghe::deleteFolderTree(run / "data", run));
    EXPECT_FALSE(fs::exists(run / "data"));
    EXPECT_TRUE(fs::exists(run / "keep.ini"));
    // Already gone: nothing left to do.
    EXPECT_TRUE(qinghe::deleteFolderTree(run / "data", run));
    // A trailing separator names the same folder.
    writeFile(run / "backup" / "x", "x");
    EXPECT_TRUE(qinghe::deleteFolderTree(run.string() + "/backup/", run));
    EXPECT_FALSE(fs::exists(run / "backup"));
}

TEST_F(FoldersTest, DeleteFolderTreeRefusals) {
    const fs::path run = root() / "run";
    const fs::path outside = root() / "outside";
    writeFile(run / "data" / "a.edb", "a");
    writeFile(outside / "precious", "p");
    writeFile(root() / "run2" / "precious", "p");
    const std::vector<fs::path> refused = {
        "",
        "/",
        run,
        run.string() + "/",
        run / ".",
        run / "data" / "..",
        outside,
        run / ".." / "outside",
        root(),
        root() / "run2",  // shares the run directory's name as a prefix only
    };
    for (const fs::path& folder : refused) {
        EXPECT_FALSE(qinghe::deleteFolderTree(folder, run)) << folder;
    }
    EXPECT_FALSE(qinghe::deleteFolderTree(run / "data", ""));
    EXPECT_TRUE(fs::exists(run / "data" / "a.edb"));
    EXPECT_TRUE(fs::exists(outside / "precious"));
    EXPECT_TRUE(fs::exists(root() / "run2" / "precious"));
}

TEST_F(FoldersTest, DeleteFolderTreeDoesNotFollowLinksOutside) {
    const fs::path run = root() / "run";
    const fs::path outside = root() / "outside";
    writeFile(outside / "precious", "p");
    fs::create_directories(run / "data");
    fs::create_directory_symlink(outside, run / "data" / "link");
    fs::create_directory_symlink(outside, run / "escape");

    // Through a link to a folder outside: refused.
    EXPECT_FALSE(qinghe::deleteFolderTree(run / "escape" / "sub", run));
    writeFile(outside / "sub" / "x", "x");
    EXPECT_FALSE(qinghe::deleteFolderTree(run / "escape" / "sub", run));
    EXPECT_TRUE(fs::exists(outside / "sub" / "x"));

    // A link itself inside: the link goes, its target stays.
    EXPECT_TRUE(qinghe::deleteFolderTree(run / "escape", run));
    EXPECT_FALSE(fs::exists(fs::symlink_status(run / "escape")));
    EXPECT_TRUE(qinghe::deleteFolderTree(run / "data", run));
    EXPECT_FALSE(fs::exists(run / "data"));
    EXPECT_TRUE(fs::exists(outside / "precious"));
}

TEST_F(FoldersTest, DeleteFolderTreeWithLinkedRunDirectory) {
    // The run directory reached through a link is still the run directory.
    const fs::path real = root() / "real";
    writeFile(real / "data" / "a", "a");
    fs::create_directory_symlink(real, root() / "alias");
    EXPECT_FALSE(qinghe::deleteFolderTree(real, root() / "alias"));
    EXPECT_FALSE(qinghe::deleteFolderTree(root() / "alias", real));
    EXPECT_TRUE(qinghe::deleteFolderTree(root() / "alias" / "data", real));
    EXPECT_FALSE(fs::exists(real / "data"));
}

TEST_F(FoldersTest, CopyFileReplacing) {
    writeFile(root() / "from", "new bytes");
    writeFile(root() / "to", "old bytes that are longer");
    EXPECT_TRUE(qinghe::copyFileReplacing(root() / "from", root() / "to"));
    EXPECT_EQ(readFile(root() / "to"), "new bytes");
    EXPECT_TRUE(qinghe::copyFileReplacing(root() / "from", root() / "fresh"));
    EXPECT_EQ(readFile(root() / "fresh"), "new bytes");

    EXPECT_FALSE(qinghe::copyFileReplacing(root() / "missing", root() / "x"));
    EXPECT_FALSE(qinghe::copyFileReplacing(root() / "from", root() / "no" / "folder"));
    EXPECT_FALSE(fs::exists(root() / "x"));
}

TEST_F(FoldersTest, FindFiles) {
    writeFile(root() / "b" / "2.edb", "");
    writeFile(root() / "a.edb", "");
    writeFile(root() / "b" / "c" / "1.EDT", "");
    fs::create_directories(root() / "empty");
    writeFile(root() / "elsewhere" / "x", "");
    fs::create_symlink(root() / "elsewhere" / "x", root() / "b" / "linked");

    const std::vector<fs::path> expected = {root() / "a.edb", root() / "b" / "2.edb",
                                            root() / "b" / "c" / "1.EDT",
                                            root() / "elsewhere" / "x"};
    EXPECT_EQ(qinghe::findFiles(root()), expected);
    EXPECT_TRUE(qinghe::findFiles(root() / "missing").empty());
    EXPECT_TRUE(qinghe::findFiles(root() / "a.edb").empty());
}

}  // namespace
