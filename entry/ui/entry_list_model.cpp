#include "entry/ui/entry_list_model.h"

#include "common/ui/gbk_text.h"

namespace qinghe::ui {

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void EntryListModel::setRows(std::shared_ptr<const entry::EntryRows> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

std::int32_t EntryListModel::recordNumber(int row) const {
    return (*rows_)[std::size_t(row)].recordNumber;
}

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !rows_ ? 0 : int(rows_->size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : entry::kEntryColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const entry::EntryRow& row = (*rows_)[std::size_t(index.row())];
    if (role == Qt::DisplayRole) return fromGbk(entry::entryCellText(row, index.column()));
    if (role == Qt::UserRole) return row.recordNumber;
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
