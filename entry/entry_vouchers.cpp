#include "entry/entry_vouchers.h"

#include <utility>
#include <variant>

#include "session/app_state.h"
#include "store/schemas.h"
#include "store/table_store.h"

namespace qinghe::entry {

std::optional<StoredVouchers> readEntryVouchers(AppState& state, const std::filesystem::path& table,
                                                std::int32_t recordNumber) {
    store::TableStore& tables = state.tables;
    if (!tables.isOpen(table) && !tables.open(table, "", store::kStorePassword))
        return std::nullopt;
    if (!tables.select(table.string())) return std::nullopt;
    // A table without the fields is not an entry table; reading them would
    // end the program.
    const int flag = tables.fieldNumber(store::field::kHasVoucher);
    const int value = tables.fieldNumber(store::field::kVouchers);
    if (!flag || !value) return std::nullopt;
    if (recordNumber < 1 || recordNumber > tables.recordCount() || !tables.goTo(recordNumber))
        return std::nullopt;
    StoredVouchers stored;
    stored.flag = store::toBool(tables.read(flag));
    store::Value bytes = tables.read(value);
    if (auto* set = std::get_if<store::Bytes>(&bytes))
        stored.value = std::move(set->bytes);
    else
        stored.value = store::toBytes(bytes);
    return stored;
}

bool writeEntryVouchers(store::TableStore& tables, const VoucherList& vouchers) {
    return tables.write(store::field::kHasVoucher, !vouchers.empty()) &&
           tables.write(store::field::kVouchers, store::Bytes{joinVouchers(vouchers)});
}

}  // namespace qinghe::entry
