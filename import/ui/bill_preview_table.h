#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include "import/bill_preview.h"

namespace qinghe::ui {

// The preview's rows for a list view: a tick box each, the item and member
// editable through drop-downs (BillPreviewDelegate), everything else as the
// core's model shows it.
class BillPreviewTable final : public QAbstractTableModel {
    Q_OBJECT

  public:
    BillPreviewTable(import::BillImportModel& model, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // "以后都这样": an item chosen for a row goes to every row of its category.
    void setItemForCategory(bool everyRow) { everyRowOfCategory_ = everyRow; }
    // After the rows changed in the core (a mapping, a member for all).
    void reload();

  signals:
    void ticksChanged();

  private:
    import::BillImportModel& model_;
    bool everyRowOfCategory_ = false;
};

// Drop-downs for the item and member cells: the direction's items, the members;
// a new name may be typed.
class BillPreviewDelegate final : public QStyledItemDelegate {
    Q_OBJECT

  public:
    BillPreviewDelegate(import::BillImportModel& model, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    import::BillImportModel& model_;
};

}  // namespace qinghe::ui
