#pragma once

#include <QChartView>
#include <QStringList>
#include <vector>

#include "report/statistics.h"

class QBarCategoryAxis;

namespace qinghe::ui {

// The chart of the 数据统计 page: bars of income and expense (or of the net,
// for 汇总) per period, in date order, with a value axis in yuan; a bar's
// amount shows on it while there are few, and on hovering always. Periods
// too many for bars to be told apart (a day unit over years) are drawn as
// lines over a time axis instead. The periods' labels are never cut off nor
// run into each other, at any width: they stand on end when they do not fit
// side by side, and only every second (third, ...) one is written when even
// that leaves too little room.
class StatisticsChart : public QChartView {
    Q_OBJECT

  public:
    // Up to this many periods are drawn as bars.
    static constexpr int kMostBars = 40;
    // Up to this many bars carry their amount.
    static constexpr int kMostLabelledBars = 12;

    explicit StatisticsChart(QWidget* parent = nullptr);

    // Draws the chart anew; an empty one shows nothing but its frame.
    void showChart(const report::StatChart& chart);
    void clear();

    // What is drawn, for tests: the periods, and whether as bars.
    const QStringList& periods() const { return periods_; }
    bool drawnAsBars() const { return bars_; }
    int seriesCount() const;
    // The period labels as written under the bars (the others left blank),
    // and their angle (0 or -90).
    QStringList writtenPeriodLabels() const;
    int periodLabelAngle() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void drawBars(const report::StatChart& chart);
    void drawLines(const report::StatChart& chart);
    void addValueAxis(double low, double high);
    void fitPeriodLabels();

    QStringList periods_;
    bool bars_ = false;
    QBarCategoryAxis* periodAxis_ = nullptr;
};

}  // namespace qinghe::ui
