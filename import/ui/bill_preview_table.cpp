#include "import/ui/bill_preview_table.h"

#include <QBrush>
#include <QColor>
#include <QComboBox>

#include "common/ui/gbk_text.h"

namespace qinghe::ui {

namespace {

const QString kHeaders[] = {
    QString(),
    QStringLiteral("日期时间"),
    QStringLiteral("方向"),
    QStringLiteral("金额"),
    QStringLiteral("项目"),
    QStringLiteral("成员"),
    QStringLiteral("备注"),
    QStringLiteral("状态"),
};

}  // namespace

BillPreviewTable::BillPreviewTable(import::BillImportModel& model, QObject* parent)
    : QAbstractTableModel(parent), model_(model) {}

int BillPreviewTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(model_.rows().size());
}

int BillPreviewTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : import::kPreviewColumnCount;
}

QVariant BillPreviewTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<import::PreviewColumn>(index.column());
    const import::PreviewRow& preview = model_.rows()[row];
    if (role == Qt::CheckStateRole && column == import::kTickColumn)
        return preview.ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole) {
        if (column == import::kTickColumn) return {};
        return fromGbk(model_.cellText(row, column));
    }
    if (role == Qt::TextAlignmentRole && column == import::kAmountColumn)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && !preview.ticked) return QBrush(QColor(110, 110, 110));
    if (role == Qt::BackgroundRole) {
        switch (preview.status) {
            case import::RowStatus::Duplicate:
                return QBrush(QColor(235, 235, 235));
            case import::RowStatus::PossibleDuplicate:
                return QBrush(QColor(255, 243, 205));
            default:
                break;
        }
    }
    return {};
}

QVariant BillPreviewTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= import::kPreviewColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return kHeaders[section];
}

Qt::ItemFlags BillPreviewTable::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid()) return flags;
    const auto row = static_cast<std::size_t>(index.row());
    if (index.column() == import::kTickColumn) {
        flags |= Qt::ItemIsUserCheckable;
        if (!model_.canTick(row)) flags &= ~Qt::ItemIsEnabled;
    }
    if (index.column() == import::kItemColumn || index.column() == import::kMemberColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool BillPreviewTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid()) return false;
    const auto row = static_cast<std::size_t>(index.row());
    if (index.column() == import::kTickColumn && role == Qt::CheckStateRole) {
        model_.setTicked(row, value.toInt() == Qt::Checked);
        emit dataChanged(index.siblingAtColumn(0),
                         index.siblingAtColumn(import::kPreviewColumnCount - 1));
        emit ticksChanged();
        return true;
    }
    if (role != Qt::EditRole) return false;
    const auto text = toGbk(value.toString());
    if (!text) return false;  // GBK cannot hold it: the cell keeps its name
    if (index.column() == import::kItemColumn) {
        model_.setItem(row, *text, everyRowOfCategory_);
        if (everyRowOfCategory_) {
            emit dataChanged(this->index(0, import::kItemColumn),
                             this->index(rowCount() - 1, import::kItemColumn));
        } else {
            emit dataChanged(index, index);
        }
        return true;
    }
    if (index.column() == import::kMemberColumn) {
        model_.setMember(row, *text);
        emit dataChanged(index, index);
        return true;
    }
    return false;
}

void BillPreviewTable::reload() {
    beginResetModel();
    endResetModel();
    emit ticksChanged();
}

BillPreviewDelegate::BillPreviewDelegate(import::BillImportModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QWidget* BillPreviewDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const {
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    const auto row = static_cast<std::size_t>(index.row());
    const auto& choices =
        index.column() == import::kItemColumn ? model_.itemChoices(row) : model_.memberChoices();
    for (const std::string& choice : choices) box->addItem(fromGbk(choice));
    return box;
}

void BillPreviewDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* box = static_cast<QComboBox*>(editor);
    box->setCurrentText(index.data(Qt::EditRole).toString());
}

void BillPreviewDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const {
    model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace qinghe::ui
