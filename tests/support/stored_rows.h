#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/table_store.h"
#include "tables/schemas.h"

namespace qinghe::testing {

// An entry as the crash tests compare it: what a crash must leave whole.
struct StoredRow {
    std::int32_t sequence;
    double amount;
    std::string note;
    std::string vouchers;
    friend bool operator==(const StoredRow&, const StoredRow&) = default;
};

// The record the store stands on.
inline StoredRow currentRow(store::TableStore& store) {
    namespace field = tables::field;
    return {store.currentSequence(), store::toDouble(*store.read(field::kAmount)),
            store::toText(*store.read(field::kNote)),
            store::toBytes(*store.read(field::kVouchers))};
}

// Every record of the current table, in order.
inline std::vector<StoredRow> allRows(store::TableStore& store) {
    std::vector<StoredRow> rows;
    store.first();
    for (int i = 0, n = store.recordCount(); i < n; ++i, store.skip())
        rows.push_back(currentRow(store));
    return rows;
}

}  // namespace qinghe::testing
