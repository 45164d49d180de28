#include "report/ui/query_result_model.h"

#include <algorithm>

#include "common/ui/gbk_text.h"

namespace qinghe::ui {

QueryResultModel::QueryResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void QueryResultModel::setRows(std::shared_ptr<const LedgerRows> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    matches_.reset();
    shown_ = rows_ ? static_cast<int>(rows_->size()) : 0;
    endResetModel();
}

void QueryResultModel::setMatches(std::shared_ptr<const LedgerRows> rows,
                                  std::vector<std::uint32_t> matches) {
    beginResetModel();
    rows_ = std::move(rows);
    matches_ = std::move(matches);
    shown_ = 0;
    endResetModel();
}

void QueryResultModel::rowAdded(std::size_t row) {
    if (matches_) {
        // Appended after every listed row: nothing listed moves.
        emit queriedEntriesChanged();
        return;
    }
    const int at = static_cast<int>(row);
    beginInsertRows({}, at, at);
    ++shown_;
    endInsertRows();
}

void QueryResultModel::rowChanged(std::size_t row) {
    if (matches_) {
        const auto found = std::find(matches_->begin(), matches_->end(), row);
        if (found != matches_->end()) {
            const int at = static_cast<int>(found - matches_->begin());
            emit dataChanged(index(at, 0), index(at, entry::kEntryColumnCount - 1));
        }
        emit queriedEntriesChanged();
        return;
    }
    const int at = static_cast<int>(row);
    emit dataChanged(index(at, 0), index(at, entry::kEntryColumnCount - 1));
}

void QueryResultModel::rowRemoved(std::size_t row) {
    if (matches_) {
        std::vector<std::uint32_t>& matches = *matches_;
        const auto found = std::find(matches.begin(), matches.end(), row);
        if (found != matches.end()) {
            const int at = static_cast<int>(found - matches.begin());
            beginRemoveRows({}, at, at);
            matches.erase(found);
            endRemoveRows();
        }
        // The entries after it are one row further up now.
        bool moved = false;
        for (std::uint32_t& match : matches) {
            if (match > row) {
                --match;
                moved = true;
            }
        }
        if (moved && !matches.empty())
            emit dataChanged(index(0, 0), index(int(matches.size()) - 1, 0), {Qt::UserRole});
        emit queriedEntriesChanged();
        return;
    }
    const int at = static_cast<int>(row);
    beginRemoveRows({}, at, at);
    --shown_;
    endRemoveRows();
}

std::size_t QueryResultModel::ledgerRow(int row) const {
    const auto at = static_cast<std::size_t>(row);
    return matches_ ? (*matches_)[at] : at;
}

int QueryResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return matches_ ? static_cast<int>(matches_->size()) : shown_;
}

int QueryResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : entry::kEntryColumnCount;
}

QVariant QueryResultModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || !rows_) return {};
    const std::size_t row = ledgerRow(index.row());
    if (row >= rows_->size()) return {};
    if (role == Qt::DisplayRole) return fromGbk(entry::entryCellText(*rows_, row, index.column()));
    if (role == Qt::UserRole) return static_cast<int>(row + 1);
    return {};
}

QVariant QueryResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char16_t* const kHeaders[] = {u"日期", u"方向", u"项目",    u"金额",
                                               u"成员", u"备注", u"票据附录"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= entry::kEntryColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromUtf16(kHeaders[section]);
}

}  // namespace qinghe::ui
