#include "entry/ui/entry_list_model.h"

#include <QHeaderView>
#include <QTableView>

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
    sortRows();
}

void EntryListModel::sortRows() {
    sorted_.clear();
    if (!order_ || !rows_) return;
    if (const std::vector<std::uint32_t>* listed = listedRows()) {
        sorted_ = entry::sortedRows(*rows_, *listed, *order_);
    } else {
        sorted_ = entry::sortedRows(*rows_, *order_);
    }
}

void EntryListModel::resort() {
    beginResetModel();
    shown_ = rows_ ? static_cast<int>(rows_->size()) : 0;
    sortRows();
    endResetModel();
}

void EntryListModel::setOrder(std::optional<entry::EntryOrder> order) {
    if (order == order_) return;
    order_ = order;
    resort();
    emit orderChanged();
}

void EntryListModel::sortOnHeaderClick(int column) {
    const std::optional<entry::SortKey> key = entry::sortKeyOfColumn(column);
    if (!key) return;
    if (!order_ || order_->key != *key) {
        setOrder(entry::EntryOrder{*key, entry::SortDirection::Ascending});
    } else if (order_->direction == entry::SortDirection::Ascending) {
        setOrder(entry::EntryOrder{*key, entry::SortDirection::Descending});
    } else {
        setOrder(std::nullopt);
    }
}

int EntryListModel::listRow(std::size_t row) const {
    const int count = rowCount();
    // In table order with every row listed, the row is its own place.
    const int guess = static_cast<int>(row);
    if (guess < count && ledgerRow(guess) == row) return guess;
    for (int at = 0; at < count; ++at) {
        if (ledgerRow(at) == row) return at;
    }
    return -1;
}

void EntryListModel::rowAdded(std::size_t row) {
    if (order_) {
        resort();
        return;
    }
    const int at = static_cast<int>(row);
    beginInsertRows({}, at, at);
    ++shown_;
    endInsertRows();
}

void EntryListModel::rowChanged(std::size_t row) {
    if (order_) {
        resort();
        return;
    }
    listRowChanged(static_cast<int>(row));
}

void EntryListModel::listRowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, entry::kEntryColumnCount - 1));
}

void EntryListModel::rowRemoved(std::size_t row) {
    if (order_) {
        resort();
        return;
    }
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

void sortByHeaderClicks(QTableView* view, EntryListModel* model) {
    QHeaderView* header = view->horizontalHeader();
    header->setSectionsClickable(true);
    // The header turns its own arrow on a click; the model's order decides
    // where it ends up.
    auto showOrder = [header, model] {
        const auto& order = model->order();
        header->setSortIndicatorShown(order.has_value());
        if (!order) return;
        header->setSortIndicator(entry::columnOfSortKey(order->key),
                                 order->direction == entry::SortDirection::Ascending
                                     ? Qt::AscendingOrder
                                     : Qt::DescendingOrder);
    };
    QObject::connect(header, &QHeaderView::sectionClicked, model, [model, showOrder](int column) {
        model->sortOnHeaderClick(column);
        showOrder();
    });
    QObject::connect(model, &EntryListModel::orderChanged, header, showOrder);
    showOrder();
}

}  // namespace qinghe::ui
