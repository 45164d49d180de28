#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace qinghe::ui {

// Page 4 "数据统计": totals of the open ledger per day, month or year.
class StatisticsPage : public QWidget {
    Q_OBJECT

  public:
    explicit StatisticsPage(QWidget* parent = nullptr);

    QTableView* resultList() const { return list_; }
    QLabel* ledgerLabel() const { return ledger_; }
    QComboBox* unitBox() const { return unit_; }
    QComboBox* kindBox() const { return kind_; }
    QPushButton* queryButton() const { return query_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* exportButton() const { return export_; }

  private:
    QTableView* list_;
    QLabel* ledger_;
    QComboBox* unit_;
    QComboBox* kind_;
    QPushButton* query_;
    QPushButton* clear_;
    QPushButton* export_;
};

}  // namespace qinghe::ui
