#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "entry/voucher_list.h"

namespace qinghe {
struct AppState;
}
namespace qinghe::store {
class TableStore;
}

namespace qinghe::entry {

// An entry's two voucher fields as stored.
struct StoredVouchers {
    bool flag = false;  // 票据附录
    std::string value;  // 票据: the images joined
};

// The voucher fields of entry `recordNumber` (1-based) of the entry table at
// `table`, opened with the store password when it is not open yet; the table
// is then current. Nothing when the table cannot be opened, lacks the fields,
// or has no such record.
std::optional<StoredVouchers> readEntryVouchers(AppState& state, const std::filesystem::path& table,
                                                std::int32_t recordNumber);

// Writes a list into the current record of the current table: 票据 joined,
// 票据附录 true when it holds an image.
[[nodiscard]] bool writeEntryVouchers(store::TableStore& tables, const VoucherList& vouchers);

}  // namespace qinghe::entry
