#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "entry/entry_order.h"
#include "entry/entry_rows.h"

class QTableView;

namespace qinghe::ui {

// The 记账 list over the open ledger's rows in memory, every row in table
// order or sorted by a column, and the base of the 查账 list: a cell's text is
// made only when the cell is shown, so a long ledger opens at once, and a
// change of one entry updates one row (the whole list while it is sorted, as
// the entry may move).
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit EntryListModel(QObject* parent = nullptr);

    // Replaces every row; null shows none.
    virtual void setRows(std::shared_ptr<const LedgerRows> rows);
    // The rows shown have gained, changed or lost row `row` of the ledger.
    virtual void rowAdded(std::size_t row);
    virtual void rowChanged(std::size_t row);
    virtual void rowRemoved(std::size_t row);

    // The order of the rows: sorted, or the table's (none). Kept when the
    // rows are replaced.
    void setOrder(std::optional<entry::EntryOrder> order);
    const std::optional<entry::EntryOrder>& order() const { return order_; }
    // A click on a column's header: sorted by it, then reversed, then back in
    // table order; a column that does not sort leaves the order alone.
    void sortOnHeaderClick(int column);

    // The ledger row shown at list row `row`, and its record number.
    std::size_t ledgerRow(int row) const {
        return order_ ? sorted_[static_cast<std::size_t>(row)] : unsortedLedgerRow(row);
    }
    // The ledger rows the list shows, in its order; null: every row in table
    // order.
    const std::vector<std::uint32_t>* shownRows() const { return order_ ? &sorted_ : listedRows(); }
    // The list row that shows ledger row `row`; -1 when it is not listed.
    int listRow(std::size_t row) const;
    std::int32_t recordNumber(int row) const {
        return static_cast<std::int32_t>(ledgerRow(row)) + 1;
    }
    const std::shared_ptr<const LedgerRows>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell text; Qt::UserRole: the row's record number.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    void orderChanged();

  protected:
    // The ledger row at list row `row` in table order.
    virtual std::size_t unsortedLedgerRow(int row) const { return static_cast<std::size_t>(row); }
    // The rows listed, in table order; null: every row.
    virtual const std::vector<std::uint32_t>* listedRows() const { return nullptr; }
    // Within a reset of the model: the rows from now on, every one listed
    // (sorted when the list is).
    void takeRows(std::shared_ptr<const LedgerRows> rows);
    // The whole list anew after the rows listed changed while it is sorted.
    void resort();
    // Every column of list row `row` changed.
    void listRowChanged(int row);

  private:
    void sortRows();

    std::shared_ptr<const LedgerRows> rows_;
    std::optional<entry::EntryOrder> order_;
    // While sorted: the ledger rows listed, in list order.
    std::vector<std::uint32_t> sorted_;
    // Rows shown while every row is: what the views were told (the rows may
    // already hold one more or less).
    int shown_ = 0;
};

// Header clicks of `view` sort `model`, and its header shows the order.
void sortByHeaderClicks(QTableView* view, EntryListModel* model);

}  // namespace qinghe::ui
