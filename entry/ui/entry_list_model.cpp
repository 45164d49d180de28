#include "entry/ui/entry_list_model.h"

#include "common/ui/gbk_text.h"

namespace qinghe::ui {

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void EntryListModel::setRows(std::shared_ptr<const LedgerRows> rows) {
    beginResetModel();
    takeRows(std::move(rows));
    endResetModel();
}

void EntryListModel::takeRows(std::shared_ptr<const LedgerRows> rows) {
    rows_ = std::move(rows);
    shown_ = rows_ ? static_cast<int>(rows_->size()) : 0;
}

void EntryListModel::rowAdded(std::size_t row) {
    const int at = static_cast<int>(row);
    beginInsertRows({}, at, at);
    ++shown_;
    endInsertRows();
}

void EntryListModel::rowChanged(std::size_t row) {
    listRowChanged(static_cast<int>(row));
}

void EntryListModel::listRowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, entry::kEntryColumnCount - 1));
}

void EntryListModel::rowRemoved(std::size_t row) {
    const int at = static_cast<int>(row);
    beginRemoveRows({}, at, at);
    --shown_;
    endRemoveRows();
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : entry::kEntryColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || !rows_) return {};
    const std::size_t row = ledgerRow(index.row());
    if (row >= rows_->size()) return {};
    if (role == Qt::DisplayRole) return fromGbk(entry::entryCellText(*rows_, row, index.column()));
    if (role == Qt::UserRole) return static_cast<int>(row + 1);
    return {};
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char16_t* const kHeaders[] = {u"日期", u"方向", u"项目",    u"金额",
                                               u"成员", u"备注", u"票据附录"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= entry::kEntryColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf16(kHeaders[section]);
}

}  // namespace qinghe::ui
