#include "report/ui/query_result_model.h"

#include <algorithm>

namespace qinghe::ui {

QueryResultModel::QueryResultModel(QObject* parent) : EntryListModel(parent) {}

void QueryResultModel::setRows(std::shared_ptr<const LedgerRows> rows) {
    beginResetModel();
    matches_.reset();
    takeRows(std::move(rows));
    endResetModel();
}

void QueryResultModel::setMatches(std::shared_ptr<const LedgerRows> rows,
                                  std::vector<std::uint32_t> matches) {
    beginResetModel();
    matches_ = std::move(matches);
    takeRows(std::move(rows));
    endResetModel();
}

void QueryResultModel::rowAdded(std::size_t row) {
    if (!matches_) {
        EntryListModel::rowAdded(row);
        return;
    }
    // Appended after every listed row: nothing listed moves.
    emit queriedEntriesChanged();
}

void QueryResultModel::rowChanged(std::size_t row) {
    if (!matches_) {
        EntryListModel::rowChanged(row);
        return;
    }
    if (order()) {
        resort();
    } else {
        const auto found = std::find(matches_->begin(), matches_->end(), row);
        if (found != matches_->end()) listRowChanged(static_cast<int>(found - matches_->begin()));
    }
    emit queriedEntriesChanged();
}

void QueryResultModel::rowRemoved(std::size_t row) {
    if (!matches_) {
        EntryListModel::rowRemoved(row);
        return;
    }
    std::vector<std::uint32_t>& matches = *matches_;
    const auto found = std::find(matches.begin(), matches.end(), row);
    const bool sorted = order().has_value();
    if (sorted) {
        if (found != matches.end()) matches.erase(found);
    } else if (found != matches.end()) {
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
    if (sorted) {
        resort();
    } else if (moved && !matches.empty()) {
        emit dataChanged(index(0, 0), index(int(matches.size()) - 1, 0), {Qt::UserRole});
    }
    emit queriedEntriesChanged();
}

std::size_t QueryResultModel::unsortedLedgerRow(int row) const {
    const auto at = static_cast<std::size_t>(row);
    return matches_ ? (*matches_)[at] : at;
}

int QueryResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !matches_) return EntryListModel::rowCount(parent);
    return static_cast<int>(matches_->size());
}

}  // namespace qinghe::ui
