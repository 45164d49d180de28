#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace qinghe::ui {

class StatisticsChart;
class StatisticsModel;

// Page 4 "数据统计": totals of the open ledger per day, month or year.
class StatisticsPage : public QWidget {
    Q_OBJECT

  public:
    explicit StatisticsPage(QWidget* parent = nullptr);

    QTableView* resultList() const { return list_; }
    StatisticsModel* resultModel() const { return model_; }
    QLabel* ledgerLabel() const { return ledger_; }
    QComboBox* unitBox() const { return unit_; }
    QComboBox* kindBox() const { return kind_; }
    QPushButton* queryButton() const { return query_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* exportButton() const { return export_; }
    // Redrawn with each run, under the conditions.
    StatisticsChart* chart() const { return chart_; }

  private:
    StatisticsModel* model_;
    QTableView* list_;
    QLabel* ledger_;
    QComboBox* unit_;
    QComboBox* kind_;
    QPushButton* query_;
    QPushButton* clear_;
    QPushButton* export_;
    StatisticsChart* chart_;
};

}  // namespace qinghe::ui
