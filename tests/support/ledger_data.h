#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/gbk.h"
#include "session/app_state.h"
#include "tables/schemas.h"

namespace qinghe::testing {

// Tests write their texts in UTF-8; the core keeps GBK.
inline std::string gbk(std::string_view utf8) {
    return utf8ToGbk(utf8).value();
}

struct TestEntry {
    double date = 42136;  // 2015-05-12
    std::int32_t direction = 2;
    std::string item;  // GBK
    double amount = 0;
    std::string member;
    std::string note;
    bool hasVoucher = false;
};

// Appends entries to the entry table at `table` as the add-entry window does.
inline bool appendEntries(AppState& state, const std::filesystem::path& table,
                          const std::vector<TestEntry>& entries) {
    auto& tables = state.tables;
    if (!tables.isOpen(table) && !tables.open(table, "", tables::kStorePassword)) return false;
    if (!tables.select(table.string())) return false;
    for (const TestEntry& e : entries) {
        bool ok = tables.append() && tables.write(tables::field::kDate, store::DateTime{e.date}) &&
                  tables.write(tables::field::kDirection, e.direction) &&
                  tables.write(tables::field::kItem, e.item) &&
                  tables.write(tables::field::kAmount, e.amount) &&
                  tables.write(tables::field::kMember, e.member) &&
                  tables.write(tables::field::kNote, e.note) &&
                  tables.write(tables::field::kHasVoucher, e.hasVoucher);
        if (!ok) return false;
    }
    return tables.commit();
}

}  // namespace qinghe::testing
