#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>

#include "entry/entry_rows.h"

namespace qinghe::ui {

// The 记账 and 查账 lists over the open ledger's rows in memory: a cell's text
// is made only when the cell is shown, so a long ledger opens at once, and a
// change of one entry updates one row.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit EntryListModel(QObject* parent = nullptr);

    // Replaces every row; null shows none.
    void setRows(std::shared_ptr<const LedgerRows> rows);
    // The rows shown have gained, changed or lost row `row`.
    void rowAdded(std::size_t row);
    void rowChanged(std::size_t row);
    void rowRemoved(std::size_t row);
    // The entry's record number in its table.
    std::int32_t recordNumber(int row) const { return row + 1; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell text; Qt::UserRole: the row's record number.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const LedgerRows> rows_;
    // What the views were told; the rows may already hold one more or less.
    int shown_ = 0;
};

}  // namespace qinghe::ui
