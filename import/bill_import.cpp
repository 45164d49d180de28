#include "import/bill_import.h"

#include "common/standard_messages.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_list.h"
#include "import/bill_preview.h"
#include "import/import_texts.h"
#include "session/app_state.h"

namespace qinghe::import {

ImportBillResult importBill(AppState& state, entry::EntryListView& view,
                            const std::optional<std::filesystem::path>& file) {
    if (!state.currentLedger.isOpen()) {
        showError(state.user, entry::kNoLedgerOpen);
        return ImportBillResult::Refused;
    }
    std::filesystem::path chosen;
    if (file) {
        chosen = *file;
    } else {
        const auto files = state.user.chooseOpenFiles(
            {texts::kImportTitle, {texts::kFileFilter, texts::kAllFilesFilter}});
        if (files.empty()) return ImportBillResult::Cancelled;
        chosen = files.front();
    }
    const auto table = entry::currentLedgerTable(state);
    if (!table || !entry::currentLedgerRows(state)) {
        showError(state.user, texts::kImportFailed);
        return ImportBillResult::Refused;
    }
    auto numbers = settleImportedNumbers(state, *table);
    if (!numbers) {
        showError(state.user, texts::kNumbersDamaged);
        return ImportBillResult::Refused;
    }
    UserInteraction& user = state.user;
    auto askPassword = [&user](bool wrongBefore) -> std::optional<std::string> {
        if (wrongBefore) showError(user, texts::kZipPasswordWrong);
        return user.askText({texts::kImportTitle, texts::kZipPasswordPrompt, ""});
    };
    BillSource source;
    switch (openBillSource(state.files, user, chosen, askPassword, source)) {
        case SourceOutcome::Cancelled:
            return ImportBillResult::Cancelled;
        case SourceOutcome::Refused:
            return ImportBillResult::Refused;
        case SourceOutcome::Opened:
            break;
    }
    BillImportModel model(state, std::move(source), std::move(*numbers), &view);
    // The window reads the bill while it shows its progress; it closes at
    // once when the bill cannot be read whole (finishLoad has said why).
    user.runWindow(WindowKind::BillImport, model);
    if (model.outcome() == BillImportModel::Outcome::Imported) return ImportBillResult::Imported;
    return model.loaded() ? ImportBillResult::Cancelled : ImportBillResult::Refused;
}

}  // namespace qinghe::import
