#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "store/table_store.h"
#include "tests/support/scripted_user.h"

namespace qinghe::testing {

// A table store over a temporary folder, with a fixed clock and a scripted user.
class StoreFixture : public ::testing::Test {
  protected:
    explicit StoreFixture(std::size_t cacheBudget = store::ChunkPool::kDefaultBudget)
        : store_(std::make_unique<store::TableStore>(files_, clock_, cacheBudget)) {}

    std::filesystem::path file(const std::string& name) const { return folder_ / name; }

    // A plain table with one integer, one text of width 8 and one byte set.
    std::filesystem::path makeSmallTable(const std::string& name = "t.edb") {
        auto path = file(name);
        EXPECT_TRUE(store_->create(path, {{"n", store::FieldType::Integer, 0},
                                          {"s", store::FieldType::Text, 8},
                                          {"b", store::FieldType::ByteSet, 0}}));
        return path;
    }

    void appendNumbers(std::initializer_list<int> values) {
        for (int v : values) {
            ASSERT_TRUE(store_->append());
            ASSERT_TRUE(store_->write("n", std::int32_t{v}));
        }
    }

    std::vector<int> numbers() {
        std::vector<int> result;
        store_->first();
        for (int i = 0, n = store_->recordCount(); i < n; ++i) {
            result.push_back(static_cast<int>(store::toInteger(*store_->read("n"))));
            store_->skip(1);
        }
        return result;
    }

    void reopenStore() { store_ = std::make_unique<store::TableStore>(files_, clock_); }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    ScriptedUser user_;
    std::unique_ptr<store::TableStore> store_;
};

}  // namespace qinghe::testing
