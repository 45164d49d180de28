#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;
class QToolButton;

namespace qinghe::ui {

class EntryListModel;

// Page 2 "记账": the entries of the open ledger with its totals and balance.
class EntryPage : public QWidget {
    Q_OBJECT

  public:
    explicit EntryPage(QWidget* parent = nullptr);

    QTableView* entryList() const { return list_; }
    EntryListModel* entryModel() const { return model_; }
    QLabel* ledgerLabel() const { return ledger_; }
    QToolButton* clearButton() const { return clear_; }
    QToolButton* deleteButton() const { return delete_; }
    QToolButton* addButton() const { return add_; }
    QToolButton* modifyButton() const { return modify_; }
    // "导入账单...", under "添加条目" and "修改条目".
    QPushButton* importButton() const { return import_; }
    QLabel* startDateLabel() const { return startDate_; }
    QLabel* initialAmountLabel() const { return initialAmount_; }
    QLabel* incomeLabel() const { return income_; }
    QLabel* expenseLabel() const { return expense_; }
    QLabel* balanceLabel() const { return balance_; }

  private:
    EntryListModel* model_;
    QTableView* list_;
    QLabel* ledger_;
    QToolButton* clear_;
    QToolButton* delete_;
    QToolButton* add_;
    QToolButton* modify_;
    QPushButton* import_;
    QLabel* startDate_;
    QLabel* initialAmount_;
    QLabel* income_;
    QLabel* expense_;
    QLabel* balance_;
};

}  // namespace qinghe::ui
