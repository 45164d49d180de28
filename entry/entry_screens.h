#pragma once

#include <cstddef>

#include "config/name_lists.h"
#include "entry/entry_list.h"

namespace qinghe::entry {

// The main window as the entry windows and the deletions change it: the two
// entry lists (told one row at a time), the 查账 page's filter choices, and
// the rows selected again after a save. Without a window (the tool) only the
// lists are kept and the rest does nothing; the main window says more.
class EntryScreens : public FilterChoicesView {
  public:
    explicit EntryScreens(EntryListView& lists) : lists_(lists) {}

    EntryListView& lists() { return lists_; }

    void showFilterChoices(const FilterChoices&) override {}
    // Selects the row of the 记账 list that shows row `row` of the open
    // ledger's rows.
    virtual void selectEntryRow(std::size_t /*row*/) {}
    // Selects the row of the 查账 list that shows row `row` of the open
    // ledger's rows, when that list shows it.
    virtual void selectQueryRow(std::size_t /*row*/) {}
    // After an entry opened from the 查账 list was saved: the 查账 list is
    // made again, by the query with the conditions shown once there is one;
    // until then with every entry, as when the ledger was opened.
    virtual void refreshQueryList(AppState& state) { fillQueryList(state, lists_); }

  private:
    EntryListView& lists_;
};

}  // namespace qinghe::entry
