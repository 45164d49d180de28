#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <memory>

#include "entry/entry_rows.h"

namespace qinghe::ui {

// The 记账 and 查账 lists over rows the core has read: a cell's text is made
// only when the cell is shown, so a long ledger opens at once.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit EntryListModel(QObject* parent = nullptr);

    // Replaces every row; null shows none.
    void setRows(std::shared_ptr<const entry::EntryRows> rows);
    // The entry's record number in its table.
    std::int32_t recordNumber(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell text; Qt::UserRole: the row's record number.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const entry::EntryRows> rows_;
};

}  // namespace qinghe::ui
