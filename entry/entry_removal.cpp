#include "entry/entry_removal.h"

#include "common/standard_messages.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_changes.h"
#include "session/app_state.h"
#include "session/password_check.h"

namespace qinghe::entry {

namespace {

bool confirm(AppState& state, const std::string& question, const std::string& title) {
    return state.user.showMessage({question, title, MessageIcon::Warning,
                                   MessageButtons::OkCancel}) == MessageAnswer::Ok;
}

}  // namespace

bool passImportantOperationGate(AppState& state) {
    const std::string& password = state.currentLedger.password;
    if (password.empty() || !state.needPass) return true;
    return verifyPassword(state.user, password) == PasswordOutcome::Correct;
}

bool deleteSelectedEntry(AppState& state, std::optional<std::size_t> row, EntryListView& lists) {
    if (!row || !state.currentLedger.isOpen()) return false;
    // The list shows the rows in memory, so its row is the entry's row.
    if (!confirm(state, kDeleteQuestion, kDeleteEntryTitle)) return false;
    if (!passImportantOperationGate(state)) return false;
    if (!deleteEntry(state, *row, &lists)) {
        showError(state.user, kDeleteFailed);
        return false;
    }
    return true;
}

bool clearAllEntries(AppState& state, std::size_t shownRows, EntryListView& lists) {
    if (shownRows == 0 || !state.currentLedger.isOpen()) return false;
    if (!confirm(state, kClearQuestion, kClearEntriesTitle)) return false;
    if (!passImportantOperationGate(state)) return false;
    if (!clearEntries(state, &lists)) {
        showError(state.user, kClearFailed);
        return false;
    }
    return true;
}

}  // namespace qinghe::entry
