#pragma once

#include <filesystem>
#include <optional>

namespace qinghe {
struct AppState;
}
namespace qinghe::entry {
class EntryListView;
}

namespace qinghe::import {

enum class ImportBillResult {
    Cancelled,  // no file chosen, no password given, or the window closed
    Refused,    // the file or the ledger could not be read (said so)
    Imported,   // rows were added (said how many)
};

// "导入账单...": a bill file chosen (or `file`), read (a ZIP's password asked
// for while it is wrong), its rows shown in the window "导入账单" over a
// BillImportModel, and what is ticked there appended to the open ledger in
// one change. The lists are made again after it.
ImportBillResult importBill(AppState& state, entry::EntryListView& view,
                            const std::optional<std::filesystem::path>& file = std::nullopt);

}  // namespace qinghe::import
