#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "report/query.h"
#include "report/statistics.h"

class QLabel;

namespace qinghe {
struct AppState;
class MainWindow;
}  // namespace qinghe

namespace qinghe::ui {

// Connects the query, the statistics and the export to the main window: the
// 查账 controls and its result list, the 数据统计 page with its chart and
// drill-down, "导出" and "全部导出" of the entry list's menu, and the refill
// of the 查账 choice boxes.
class ReportActions : public QObject {
    Q_OBJECT

  public:
    // Sets the window's hooks; lives as long as the window.
    ReportActions(MainWindow& window, AppState& state);

    // "查询" of 查账: the conditions as the controls hold them.
    void runQuery();
    // Runs the query the list shows again (after its entries changed); does
    // nothing while the list shows every entry.
    void rerunQuery();
    // The conditions the controls hold; nothing when the note cannot be kept
    // in GBK (the user has been told).
    std::optional<report::QueryConditions> conditionsOfControls();

    // "查询", "清除" and a double-click of 数据统计.
    void runStatistics();
    void clearStatistics();
    void drillDown(int row);

    // The last run of the statistics (null after "清除").
    const std::shared_ptr<const report::Statistics>& statistics() const { return statistics_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void connectQueryPage();
    void connectStatisticsPage();
    void connectEntryMenu();
    void refillItemChoices(int choice);
    void showQuery(const report::QueryConditions& conditions);
    void setPickers(const report::DateRange& dates);
    std::optional<std::size_t> selectedEntry() const;

    MainWindow& window_;
    AppState& state_;
    report::QueryConditions lastConditions_;
    std::shared_ptr<const report::Statistics> statistics_;
};

}  // namespace qinghe::ui
