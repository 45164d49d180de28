#pragma once

#include <QAbstractTableModel>
#include <memory>

#include "report/statistics.h"

namespace qinghe::ui {

// The rows of a run of the statistics in date order, as the chart beside
// them: by their period, 收入 before 支出 within one (the run lists them in
// the order of their first entry in the table). The list, its double-click
// and its export all take them in this order.
void putRowsInDateOrder(report::Statistics& statistics);

// The 数据统计 list over the rows of one run of the statistics: 日期, 方向, 金额.
class StatisticsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit StatisticsModel(QObject* parent = nullptr);

    // The rows of a run; null shows none ("清除").
    void setStatistics(std::shared_ptr<const report::Statistics> statistics);
    const std::shared_ptr<const report::Statistics>& statistics() const { return statistics_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const report::Statistics> statistics_;
};

}  // namespace qinghe::ui
