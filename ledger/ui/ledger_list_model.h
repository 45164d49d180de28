#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "ledger/ledger_list.h"

namespace qinghe::ui {

// The 账簿管理 list over the rows the core has built.
class LedgerListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit LedgerListModel(QObject* parent = nullptr);

    void setRows(std::vector<ledger::LedgerRow> rows);
    // One row's figures arrived.
    void updateRow(int row, const ledger::LedgerRow& values);
    // The ledger's record number in the registry.
    std::int32_t recordNumber(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell text; Qt::UserRole: the row's record number.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<ledger::LedgerRow> rows_;
};

}  // namespace qinghe::ui
