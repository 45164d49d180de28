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

void tellFindings(UserInteraction& user, const std::filesystem::path& table,
                  const std::vector<std::string>& findings, store::Access access) {
    std::string told;
    for (const std::string& finding : findings) {
        // Changes a log left are no damage: finishing them is what a log is for.
        if (finding == store::kPendingChangesFinding || finding == store::kChangesFinishedFinding)
            continue;
        told += (told.empty() ? "" : "; ") + finding;
    }
    if (told.empty()) return;
    // File names on disk are UTF-8; messages are GBK.
    const std::string name =
        utf8ToGbk(table.filename().string()).value_or(std::string(table.filename().string()));
    if (access == store::Access::ReadOnly) {
        user.showMessage({kNeedsRepairPrefix + name + " (" + told + ")" + kNeedsRepairSuffix,
                          kRepairTitle, MessageIcon::Warning, MessageButtons::Ok});
    } else {
        user.showMessage({kRepairedPrefix + name + " (" + told + ")", kRepairTitle,
                          MessageIcon::Information, MessageButtons::Ok});
    }
}

bool closeAllTables(store::TableStore& tables, UserInteraction& user) {
    if (tables.closeAll()) return true;
    // The changes are made (their log holds them): a warning, not a failure.
    user.showMessage(
        {kTablesNotWritten, kTablesNotWrittenTitle, MessageIcon::Warning, MessageButtons::Ok});
    return false;
}

}  // namespace qinghe::tables
