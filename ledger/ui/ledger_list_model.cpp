#include "ledger/ui/ledger_list_model.h"

#include <iterator>

#include "common/ui/gbk_text.h"

namespace qinghe::ui {
namespace {

// The columns, in order, with the row text each shows.
const struct {
    const char16_t* header;
    std::string ledger::LedgerRow::*text;
} kColumns[] = {
    {u"序号", &ledger::LedgerRow::number},         {u"账簿名称", &ledger::LedgerRow::name},
    {u"创建时间", &ledger::LedgerRow::created},    {u"账目条数", &ledger::LedgerRow::entries},
    {u"最后记录时间", &ledger::LedgerRow::latest}, {u"总收入", &ledger::LedgerRow::income},
    {u"总支出", &ledger::LedgerRow::expense},      {u"结余", &ledger::LedgerRow::balance},
};
constexpr int kColumnCount = int(std::size(kColumns));

}  // namespace

LedgerListModel::LedgerListModel(QObject* parent) : QAbstractTableModel(parent) {}

void LedgerListModel::setRows(std::vector<ledger::LedgerRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void LedgerListModel::updateRow(int row, const ledger::LedgerRow& values) {
    if (row < 0 || row >= int(rows_.size())) return;
    rows_[std::size_t(row)] = values;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

std::int32_t LedgerListModel::recordNumber(int row) const {
    return rows_[std::size_t(row)].recordNumber;
}

int LedgerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int LedgerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LedgerListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const ledger::LedgerRow& row = rows_[std::size_t(index.row())];
    if (role == Qt::DisplayRole) return fromGbk(row.*kColumns[index.column()].text);
    if (role == Qt::UserRole) return row.recordNumber;
    return {};
}

QVariant LedgerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf16(kColumns[section].header);
}

}  // namespace qinghe::ui
