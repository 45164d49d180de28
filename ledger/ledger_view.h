#pragma once

#include "entry/entry_list.h"
#include "ledger/ledger_list.h"

namespace qinghe::ledger {

// The screens the ledger flows change: the ledger list, the two entry lists,
// and the switch to the 记账 page (with its row stripes) after opening.
class LedgerView : public entry::EntryListView {
  public:
    // The list; rows whose figures are pending are read by the view (as it
    // said with figuresWhen) and shown as they arrive.
    virtual void showLedgerList(const LedgerList& list) = 0;
    virtual void showEntryPage() = 0;
    virtual FiguresWhen figuresWhen() const { return FiguresWhen::Now; }
};

// Rebuilds the ledger list and shows it.
void showRebuiltLedgerList(AppState& state, LedgerView& view);

}  // namespace qinghe::ledger
