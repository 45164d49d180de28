#pragma once

#include <QWidget>
#include <optional>

#include "entry/entry_values.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace qinghe::ui {

class QueryResultModel;

// Page 3 "查账": the query conditions over the open ledger and its result list.
class QueryPage : public QWidget {
    Q_OBJECT

  public:
    explicit QueryPage(QWidget* parent = nullptr);

    QLabel* ledgerLabel() const { return ledger_; }
    QDateEdit* startDateEdit() const { return startDate_; }
    QDateEdit* endDateEdit() const { return endDate_; }
    QComboBox* directionBox() const { return direction_; }
    // The direction choice "全部", "收", "支": no direction for 全部.
    static std::optional<Direction> directionAt(int index);
    std::optional<Direction> chosenDirection() const;
    void showDirection(std::optional<Direction> direction);
    QComboBox* memberBox() const { return member_; }
    QComboBox* itemBox() const { return item_; }
    QLineEdit* noteEdit() const { return note_; }
    // 今天, 昨天, 本月, 上月, 本年, 去年, in this order.
    const QList<QLabel*>& quickRangeLabels() const { return quickRanges_; }
    QLabel* totalLabel() const { return total_; }
    QPushButton* queryButton() const { return query_; }
    QPushButton* exportButton() const { return export_; }
    QTableView* resultList() const { return list_; }
    QueryResultModel* resultModel() const { return model_; }

  private:
    QLabel* ledger_;
    QDateEdit* startDate_;
    QDateEdit* endDate_;
    QComboBox* direction_;
    QComboBox* member_;
    QComboBox* item_;
    QLineEdit* note_;
    QList<QLabel*> quickRanges_;
    QLabel* total_;
    QPushButton* query_;
    QPushButton* export_;
    QueryResultModel* model_;
    QTableView* list_;
};

}  // namespace qinghe::ui
