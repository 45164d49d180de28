#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>

#include "entry/entry_rows.h"

namespace qinghe::ui {

// The 记账 list over the open ledger's rows in memory, every row in table
// order, and the base of the 查账 list: a cell's text is made only when the
// cell is shown, so a long ledger opens at once, and a change of one entry
// updates one row.
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

    // The ledger row shown at list row `row`, and its record number.
    virtual std::size_t ledgerRow(int row) const { return static_cast<std::size_t>(row); }
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

  protected:
    // Within a reset of the model: the rows from now on, every one shown.
    void takeRows(std::shared_ptr<const LedgerRows> rows);
    // Every column of list row `row` changed.
    void listRowChanged(int row);

  private:
    std::shared_ptr<const LedgerRows> rows_;
    // Rows shown while every row is: what the views were told (the rows may
    // already hold one more or less).
    int shown_ = 0;
};

}  // namespace qinghe::ui
