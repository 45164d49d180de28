#pragma once

#include <QWidget>

class QLabel;
class QTableView;
class QToolButton;

namespace qinghe::ui {

class LedgerListModel;

// Page 1 "账簿管理": the ledger list and its totals.
class LedgerPage : public QWidget {
    Q_OBJECT

  public:
    explicit LedgerPage(QWidget* parent = nullptr);

    QTableView* ledgerList() const { return list_; }
    LedgerListModel* ledgerModel() const { return model_; }
    QToolButton* clearButton() const { return clear_; }
    QToolButton* deleteButton() const { return delete_; }
    QToolButton* newButton() const { return new_; }
    QToolButton* modifyButton() const { return modify_; }
    QLabel* countLabel() const { return count_; }
    QLabel* incomeLabel() const { return income_; }
    QLabel* expenseLabel() const { return expense_; }
    QLabel* balanceLabel() const { return balance_; }

  private:
    LedgerListModel* model_;
    QTableView* list_;
    QToolButton* clear_;
    QToolButton* delete_;
    QToolButton* new_;
    QToolButton* modify_;
    QLabel* count_;
    QLabel* income_;
    QLabel* expense_;
    QLabel* balance_;
};

}  // namespace qinghe::ui
