#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "entry/entry_rows.h"

namespace qinghe::ui {

// The 查账 result list over the open ledger's rows in memory: every row, as
// entering the page shows them, or the rows a query listed. A cell's text is
// made only when the cell is shown. When entries are added, changed or
// removed, the rows listed stay the same entries (a removed one goes, those
// after it move up), and queriedEntriesChanged() tells that a query's list
// should be run again.
class QueryResultModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit QueryResultModel(QObject* parent = nullptr);

    // Every row of `rows` (null: none); no query is shown any more.
    void setRows(std::shared_ptr<const LedgerRows> rows);
    // The rows a query listed, in their order.
    void setMatches(std::shared_ptr<const LedgerRows> rows, std::vector<std::uint32_t> matches);
    // Whether the list shows a query's rows rather than every row.
    bool showsQuery() const { return matches_.has_value(); }

    // The rows shown have gained, changed or lost row `row` of the ledger.
    void rowAdded(std::size_t row);
    void rowChanged(std::size_t row);
    void rowRemoved(std::size_t row);

    // The ledger row shown at list row `row`, and its record number.
    std::size_t ledgerRow(int row) const;
    std::int32_t recordNumber(int row) const {
        return static_cast<std::int32_t>(ledgerRow(row)) + 1;
    }
    const std::shared_ptr<const LedgerRows>& rows() const { return rows_; }
    // The rows listed by a query; null while every row is shown.
    const std::vector<std::uint32_t>* matches() const { return matches_ ? &*matches_ : nullptr; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell text; Qt::UserRole: the row's record number.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    // An entry a query may list was added, changed or removed.
    void queriedEntriesChanged();

  private:
    std::shared_ptr<const LedgerRows> rows_;
    std::optional<std::vector<std::uint32_t>> matches_;
    // Rows shown while every row is: what the views were told (the rows may
    // already hold one more or less).
    int shown_ = 0;
};

}  // namespace qinghe::ui
