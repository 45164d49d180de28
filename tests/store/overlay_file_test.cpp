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
        auto below = disk.open("/f", OpenMode::ReadWrite);
        OverlayFile overlay(*below);
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

        ASSERT_TRUE(makeCommit(overlay.pending(), *below));
        ASSERT_EQ(*disk.contents("/f"), model) << round;
        // Made: cleared, the overlay reads the file below, which now agrees.
        ASSERT_TRUE(overlay.clear());
        EXPECT_FALSE(overlay.changed());
        ASSERT_TRUE(overlay.readAt(0, seen.data(), seen.size()));
        ASSERT_EQ(seen, model) << round;
    }
}

}  // namespace
}  // namespace qinghe::store
