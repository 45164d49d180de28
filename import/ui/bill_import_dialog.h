#pragma once

#include <QDialog>
#include <array>
#include <atomic>
#include <thread>

#include "import/bill_preview.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace qinghe::ui {

class BillPreviewTable;

// The modal window "导入账单" over the core's BillImportModel. It reads the
// bill on a thread of its own while a progress bar moves, so the window stays
// responsive; a bill that cannot be read whole is told by the core and the
// window closes. Then it lists every row with a tick box, its date and time,
// direction, amount, item, member, note and status; a bill of no known form
// gets a drop-down per field to say which column holds it. "导入" appends the
// ticked rows and closes; "取消" closes without a change.
class BillImportDialog : public QDialog {
    Q_OBJECT

  public:
    BillImportDialog(QWidget* parent, import::BillImportModel& model);
    ~BillImportDialog() override;

    // Whether the bill has been read and its rows shown.
    bool ready() const { return ready_; }
    QProgressBar* progressBar() const { return progress_; }
    QTableView* rowList() const { return list_; }
    BillPreviewTable* rowTable() const { return table_; }
    QGroupBox* mappingGroup() const { return mappingGroup_; }
    QComboBox* mappingBox(import::MappedField field) const {
        return mappingBoxes_[static_cast<std::size_t>(field)];
    }
    QComboBox* memberForAllBox() const { return memberForAll_; }
    QPushButton* memberForAllButton() const { return applyMember_; }
    QComboBox* defaultExpenseBox() const { return defaultExpense_; }
    QComboBox* defaultIncomeBox() const { return defaultIncome_; }
    QCheckBox* everyRowOfCategoryBox() const { return everyRow_; }
    QLabel* countLabel() const { return count_; }
    QPushButton* importButton() const { return import_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    void reject() override;

  private:
    void startReading();
    void pollReading();
    void showRows();
    void fillMapping();
    void mappingChanged(import::MappedField field, int index);
    void updateCount();
    void importRows();
    void stopReading();

    import::BillImportModel& model_;
    std::thread reader_;
    std::atomic<bool> cancelRead_{false};
    std::atomic<bool> readDone_{false};
    std::atomic<int> readShare_{0};  // per mille
    bool ready_ = false;
    bool filling_ = false;

    QLabel* file_;
    QProgressBar* progress_;
    QTimer* poll_;
    QGroupBox* mappingGroup_;
    std::array<QComboBox*, import::kMappedFieldCount> mappingBoxes_{};
    QComboBox* memberForAll_;
    QPushButton* applyMember_;
    QComboBox* defaultExpense_;
    QComboBox* defaultIncome_;
    QCheckBox* everyRow_;
    QTableView* list_;
    BillPreviewTable* table_;
    QLabel* count_;
    QPushButton* import_;
    QPushButton* cancel_;
};

}  // namespace qinghe::ui
