#include "tables/store_failures.h"

#include <optional>
#include <utility>

#include "common/standard_messages.h"

namespace qinghe::tables {
namespace {

store::Value orEnd(std::optional<store::Value> value, const store::TableStore& tables,
                   UserInteraction& user) {
    if (value) return std::move(*value);
    showError(user, tables.hasCurrentTable() ? kNoSuchFieldMessage : kNoCurrentTableMessage);
    user.endProgram();
    return std::string{};
}

}  // namespace

store::Value readField(store::TableStore& tables, UserInteraction& user, std::string_view field) {
    return orEnd(tables.read(field), tables, user);
}

store::Value readField(store::TableStore& tables, UserInteraction& user, int fieldNumber) {
    return orEnd(tables.read(fieldNumber), tables, user);
}

bool closeAllTables(store::TableStore& tables, UserInteraction& user) {
    if (tables.closeAll()) return true;
    // The changes are made (their log holds them): a warning, not a failure.
    user.showMessage(
        {kTablesNotWritten, kTablesNotWrittenTitle, MessageIcon::Warning, MessageButtons::Ok});
    return false;
}

}  // namespace qinghe::tables
