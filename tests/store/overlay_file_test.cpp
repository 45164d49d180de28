#include "store/overlay_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/memory_file_system.h"

namespace qinghe::store {
namespace {

// Held writes, cuts and growth over a file, against a plain string that takes
// the same changes: reads see the changes, the disk does not until they are
// made, and making them (cut first, writes, length) gives the same bytes.
TEST(OverlayFileTest, ReadsAndTheMadeChangesMatchAPlainFile) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        testing::MemoryFileSystem disk;
        const std::string start(static_cast<std::size_t>(random() % 3000), 'd');
        {
            auto file = disk.open("/f", OpenMode::Create);
            ASSERT_TRUE(file->writeAt(0, start.data(), start.size()));
        }
        OverlayFile overlay(disk.open("/f", OpenMode::ReadWrite));
        std::string model = start;
        for (int step = 0; step < 12; ++step) {
            const auto offset = static_cast<std::uint64_t>(random() % 4000);
            const std::string bytes(static_cast<std::size_t>(random() % 700),
                                    static_cast<char>('a' + random() % 26));
            switch (random() % 3) {
                case 0:
                    ASSERT_TRUE(overlay.writeAt(offset, bytes.data(), bytes.size()));
                    break;
                case 1:
                    ASSERT_TRUE(overlay.writeAt(offset, std::string(bytes)));
                    break;
                default: {
                    const auto length = static_cast<std::uint64_t>(random() % 4000);
                    ASSERT_TRUE(overlay.truncate(length));
                    model.resize(length, '\0');
                    continue;
                }
            }
            if (model.size() < offset + bytes.size()) model.resize(offset + bytes.size(), '\0');
            model.replace(offset, bytes.size(), bytes);
        }
        ASSERT_EQ(overlay.size(), model.size());
        std::string seen(model.size(), '?');
        ASSERT_TRUE(overlay.readAt(0, seen.data(), seen.size()));
        ASSERT_EQ(seen, model) << round;
        ASSERT_EQ(*disk.contents("/f"), start);  // nothing reached the disk

        const OverlayFile::Commit commit = overlay.pending();
        auto real = disk.open("/f", OpenMode::ReadWrite);
        if (commit.cutFirst) {
            ASSERT_TRUE(real->truncate(*commit.cutFirst));
        }
        for (const auto& write : commit.writes)
            ASSERT_TRUE(real->writeAt(write.offset, write.bytes.data(), write.bytes.size()));
        ASSERT_TRUE(real->truncate(commit.length));
        ASSERT_EQ(*disk.contents("/f"), model) << round;
    }
}

TEST(OverlayFileTest, WritingThroughOnlyWhereTheDiskDoesNotCountTheBytes) {
    testing::MemoryFileSystem disk;
    { ASSERT_TRUE(disk.open("/f", OpenMode::Create)->writeAt(0, "0123456789", 10)); }
    OverlayFile overlay(disk.open("/f", OpenMode::ReadWrite));
    // Past the end on disk, nothing held there: straight to the disk.
    EXPECT_TRUE(overlay.writeThrough(10, "ab", 2));
    EXPECT_EQ(*disk.contents("/f"), "0123456789ab");
    EXPECT_FALSE(overlay.flushed());
    // A gap, or bytes a held write covers, are refused.
    EXPECT_FALSE(overlay.writeThrough(20, "x", 1));
    ASSERT_TRUE(overlay.writeAt(12, "cd", 2));
    EXPECT_FALSE(overlay.writeThrough(12, "zz", 2));
    // After a held cut, the disk's bytes beyond it are no longer the file's.
    ASSERT_TRUE(overlay.truncate(5));
    EXPECT_FALSE(overlay.writeThrough(5, "q", 1));
    ASSERT_TRUE(overlay.writeAt(7, "Z", 1));
    char seen[8] = {};
    ASSERT_TRUE(overlay.readAt(0, seen, 8));
    EXPECT_EQ(std::string(seen, 8), std::string("01234\0\0Z", 8));
}

}  // namespace
}  // namespace qinghe::store
