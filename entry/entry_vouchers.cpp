#include "entry/entry_vouchers.h"

#include <utility>
#include <variant>

#include "session/app_state.h"
#include "store/table_store.h"
#include "tables/schemas.h"
#include "tables/store_failures.h"

namespace qinghe::entry {

std::optional<StoredVouchers> readEntryVouchers(AppState& state, const std::filesystem::path& table,
                                                std::int32_t recordNumber) {
    store::TableStore& tables = state.tables;
    if (!tables.isOpen(table) && !tables.open(table, "", tables::kStorePassword))
        return std::nullopt;
    if (!tables.select(table.string())) return std::nullopt;
    // A table without the fields is not an entry table; reading them would
    // end the program.
    const int flag = tables.fieldNumber(tables::field::kHasVoucher);
    const int value = tables.fieldNumber(tables::field::kVouchers);
    if (!flag || !value) return std::nullopt;
    if (recordNumber < 1 || recordNumber > tables.recordCount() || !tables.goTo(recordNumber))
        return std::nullopt;
    StoredVouchers stored;
    stored.flag = store::toBool(tables::readField(tables, state.user, flag));
    store::Value bytes = tables::readField(tables, state.user, value);
    if (auto* set = std::get_if<store::Bytes>(&bytes))
        stored.value = std::move(set->bytes);
    else
        stored.value = store::toBytes(bytes);
    return stored;
}

bool writeEntryVouchers(store::TableStore& tables, const VoucherList& vouchers) {
    return tables.write(tables::field::kHasVoucher, !vouchers.empty()) &&
           tables.write(tables::field::kVouchers, store::Bytes{joinVouchers(vouchers)});
}

}  // namespace qinghe::entry
