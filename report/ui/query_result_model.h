#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "entry/ui/entry_list_model.h"

namespace qinghe::ui {

// The 查账 result list: every row, as entering the page shows them, or the
// rows a query listed. When entries are added, changed or removed, the rows
// listed stay the same entries (a removed one goes, those after it move up),
// and queriedEntriesChanged() tells that a query's list should be run again.
// Sorted, it sorts the rows it lists.
class QueryResultModel : public EntryListModel {
    Q_OBJECT

  public:
    explicit QueryResultModel(QObject* parent = nullptr);

    // Every row of `rows` (null: none); no query is shown any more.
    void setRows(std::shared_ptr<const LedgerRows> rows) override;
    // The rows a query listed, in their order.
    void setMatches(std::shared_ptr<const LedgerRows> rows, std::vector<std::uint32_t> matches);
    // Whether the list shows a query's rows rather than every row.
    bool showsQuery() const { return matches_.has_value(); }

    void rowAdded(std::size_t row) override;
    void rowChanged(std::size_t row) override;
    void rowRemoved(std::size_t row) override;

    // The rows listed by a query; null while every row is shown.
    const std::vector<std::uint32_t>* matches() const { return matches_ ? &*matches_ : nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override;

  signals:
    // An entry a query may list was added, changed or removed.
    void queriedEntriesChanged();

  protected:
    std::size_t unsortedLedgerRow(int row) const override;
    const std::vector<std::uint32_t>* listedRows() const override { return matches(); }

  private:
    std::optional<std::vector<std::uint32_t>> matches_;
};

}  // namespace qinghe::ui
