#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/run_directory.h"

namespace {

namespace fs = std::filesystem;

TEST(RunDirectory, BelowTakesEitherSeparator) {
    const qinghe::RunDirectory run("/opt/qinghe");
    const std::vector<std::pair<std::string, fs::path>> cases = {
        {"\\user\\user.edb", "/opt/qinghe/user/user.edb"},
        {"/setup/system.ini", "/opt/qinghe/setup/system.ini"},
        {"\\backup\\books/books.edb", "/opt/qinghe/backup/books/books.edb"},
        {"\\data\\", "/opt/qinghe/data"},
        {"\\\\debug.ini", "/opt/qinghe/debug.ini"},
        {"", "/opt/qinghe"},
        // A GBK name turned UTF-8 by the caller passes unchanged.
        {"\\data\\\xE5\xAE\xB6.edb", "/opt/qinghe/data/\xE5\xAE\xB6.edb"},
    };
    for (const auto& [suffix, expected] : cases) EXPECT_EQ(run.below(suffix), expected) << suffix;
}

TEST(RunDirectory, RootKeptWithoutTrailingSeparator) {
    EXPECT_EQ(qinghe::RunDirectory("/opt/qinghe/").root(), fs::path("/opt/qinghe"));
    EXPECT_EQ(qinghe::RunDirectory("/opt/qinghe//").root(), fs::path("/opt/qinghe"));
    EXPECT_EQ(qinghe::RunDirectory("/").root(), fs::path("/"));
    EXPECT_EQ(qinghe::RunDirectory("/").below("\\user\\user.edb"), fs::path("/user/user.edb"));
}

TEST(RunDirectory, ExecutableDirectoryHoldsThisTest) {
    const fs::path folder = qinghe::executableDirectory();
    ASSERT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "common_tests"));
}

}  // namespace
