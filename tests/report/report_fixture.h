#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/temporary_folder.h"
#include "entry/entry_changes.h"
#include "entry/entry_list.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "store/file_layer.h"
#include "tests/support/ledger_data.h"
#include "tests/support/scripted_user.h"

namespace qinghe::testing {

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A run directory with one open ledger "家庭", its entries added through the
// program's own flow, and a folder beside it to export into.
class ReportTest : public ::testing::Test {
  protected:
    ReportTest() : state_(RunDirectory(folder_ / "run"), files_, clock_, user_) {
        std::filesystem::create_directories(folder_ / "run");
        std::filesystem::create_directories(out_);
        EXPECT_TRUE(ledger::createRegistry(state_));
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        state_.currentLedger.number = 1;
        state_.currentLedger.name = gbk("家庭");
        state_.currentLedger.saveTo = gbk("\\data\\家庭.edb");
    }

    void add(const EntryValues& values, const std::string& vouchers = "") {
        ASSERT_TRUE(entry::addEntry(state_, values, vouchers, nullptr));
    }

    static std::string fileBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A fixed name (GBK) as the file name on disk.
    static std::filesystem::path onDisk(const std::string& gbkName) {
        return std::filesystem::path(gbkToUtf8(gbkName).value());
    }

    TemporaryFolder folder_;
    std::filesystem::path out_ = folder_ / "out";
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    ScriptedUser user_;
    AppState state_;
};

}  // namespace qinghe::testing
