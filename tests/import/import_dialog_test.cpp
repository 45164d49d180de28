#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "app/entry_actions.h"
#include "app/main_window.h"
#include "app/qt_user_interaction.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "import/bill_import.h"
#include "import/bill_source.h"
#include "import/ui/bill_import_dialog.h"
#include "import/ui/bill_preview_table.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ui/ledger_page.h"
#include "session/user_store.h"
#include "tests/app/gui_fixture.h"
#include "tests/import/bill_files.h"
#include "tests/support/ledger_data.h"

// The window "导入账单" on the offscreen platform: it reads the bill on its
// own thread behind a progress bar, shows the core's rows and acts through the
// core's model; the 记账 page's button and menu item lead to it.

namespace qinghe {
namespace {

using testing::AppRow;
using testing::gbk;

class ImportDialogTest : public testing::GuiTest {
  protected:
    ImportDialogTest() {
        EXPECT_TRUE(openUserStore(state_));
        state_.settings.expenseItems = {gbk("餐饮"), gbk("交通")};
        state_.settings.incomeItems = {gbk("工资")};
        state_.settings.members = {gbk("爸爸"), gbk("妈妈")};
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        finishStartUp();
        window_->show();
        window_->ledgerPage()->ledgerList()->selectRow(0);
        window_->ledgerMenu().open->trigger();
        EXPECT_EQ(window_->currentPage(), MainWindow::kEntryPage);
    }

    std::filesystem::path bill(const std::string& name, const std::string& bytes) {
        const auto path = folder_ / name;
        testing::writeFile(path, bytes);
        return path;
    }

    // A model over a bill, as the flow makes it.
    std::unique_ptr<import::BillImportModel> model(const std::string& bytes) {
        import::BillSource source;
        EXPECT_EQ(import::openBillBytes(bytes, "bill.csv", user_, {}, source),
                  import::SourceOutcome::Opened);
        return std::make_unique<import::BillImportModel>(
            state_, std::move(source), import::ImportedNumbers{},
            &window_->entryActions()->screens().lists());
    }

    static bool waitUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(2);
        }
        return done();
    }
};

TEST_F(ImportDialogTest, ReadsOnItsOwnThreadThenShowsAndImportsTheTickedRows) {
    auto bill = model(testing::alipayCsv(
        {AppRow{.number = "N1"},
         AppRow{
             .time = "2024-01-06 10:00:00", .flow = "不计收支", .amount = "500.00", .number = "N2"},
         AppRow{.time = "2024-01-07 10:00:00", .amount = "7.00", .number = "N3"}}));
    ui::BillImportDialog dialog(window_.get(), *bill);
    dialog.show();
    EXPECT_FALSE(dialog.importButton()->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }));
    EXPECT_TRUE(dialog.progressBar()->isHidden());
    EXPECT_TRUE(dialog.mappingGroup()->isHidden());
    QAbstractItemModel* rows = dialog.rowList()->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->index(0, import::kTickColumn).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(rows->index(1, import::kTickColumn).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(rows->index(0, import::kDateColumn).data().toString(),
              QStringLiteral("2024-01-05 08:12"));
    EXPECT_EQ(rows->index(0, import::kNoteColumn).data().toString(),
              QStringLiteral("早点铺 豆浆油条"));
    EXPECT_EQ(rows->index(1, import::kStatusColumn).data().toString(),
              QStringLiteral("跳过：不计收支"));
    EXPECT_EQ(dialog.countLabel()->text(), QStringLiteral("共 3 行，已勾选 2 行"));

    // Unticking a row, an item for the whole category, a member for all.
    ASSERT_TRUE(
        rows->setData(rows->index(2, import::kTickColumn), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(dialog.countLabel()->text(), QStringLiteral("共 3 行，已勾选 1 行"));
    dialog.everyRowOfCategoryBox()->setChecked(true);
    ASSERT_TRUE(rows->setData(rows->index(0, import::kItemColumn), QStringLiteral("早餐")));
    EXPECT_EQ(rows->index(2, import::kItemColumn).data().toString(), QStringLiteral("早餐"));
    dialog.memberForAllBox()->setCurrentText(QStringLiteral("妈妈"));
    dialog.memberForAllButton()->click();
    EXPECT_EQ(rows->index(1, import::kMemberColumn).data().toString(), QStringLiteral("妈妈"));

    dialog.importButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(bill->importedCount(), 1u);
    ui::EntryListModel& entries = *window_->entryPage()->entryModel();
    ASSERT_EQ(entries.rowCount(), 1);
    EXPECT_EQ(entries.index(0, 2).data().toString(), QStringLiteral("早餐"));
    EXPECT_EQ(entries.index(0, 4).data().toString(), QStringLiteral("妈妈"));
}

TEST_F(ImportDialogTest, BankStatementGetsItsColumnsChosen) {
    auto bill = model("交易日期,摘要,发生额,余额\n2024-02-01,超市,-35.20,964.80\n");
    ui::BillImportDialog dialog(window_.get(), *bill);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.ready(); }));
    ASSERT_FALSE(dialog.mappingGroup()->isHidden());
    QComboBox* amount = dialog.mappingBox(import::MappedField::Amount);
    EXPECT_EQ(amount->currentText(), QStringLiteral("发生额"));
    EXPECT_EQ(dialog.rowList()->model()->rowCount(), 1);
    // Without a date column nothing can be read; with it again the row is back.
    dialog.mappingBox(import::MappedField::Date)->setCurrentIndex(0);
    EXPECT_EQ(dialog.rowList()->model()->rowCount(), 0);
    EXPECT_EQ(dialog.countLabel()->text(),
              QStringLiteral(
                  "账单文件“bill.csv”不是支付宝或微信支付的账单：请先指定日期和金额所在的列。"));
    dialog.mappingBox(import::MappedField::Date)->setCurrentIndex(1);
    EXPECT_EQ(dialog.rowList()->model()->rowCount(), 1);
}

TEST_F(ImportDialogTest, ABillThatCannotBeReadClosesTheWindowAfterSayingWhy) {
    auto bill = model(testing::alipayCsv({AppRow{.amount = "abc"}}));
    ui::BillImportDialog dialog(window_.get(), *bill);
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_FALSE(user_.messages.empty());
    EXPECT_EQ(user_.messages.back().text,
              gbk("账单文件“bill.csv”第 7 行的金额不是有效的数字（最大为 1000000000000），"
                  "未导入任何账目。"));
}

TEST_F(ImportDialogTest, ThePagesButtonAndMenuItemLeadToTheImport) {
    const auto file = bill("a.csv", testing::alipayCsv({AppRow{.number = "N1"}}));
    for (int way = 0; way < 2; ++way) {
        user_.fileChoices.push_back({file});
        user_.windowVisits.push_back([](WindowKind kind, WindowModel& window) {
            ASSERT_EQ(kind, WindowKind::BillImport);
            auto& model = dynamic_cast<import::BillImportModel&>(window);
            if (model.load() && model.finishLoad()) model.importTicked();
        });
        if (way == 0) {
            window_->entryPage()->importButton()->click();
        } else {
            window_->entryMenu().importBill->trigger();
        }
        ASSERT_EQ(user_.openFilesRequests.size(), static_cast<std::size_t>(way + 1));
        EXPECT_EQ(user_.openFilesRequests.back().title, gbk("导入账单"));
    }
    // The second time the row was imported before: one entry.
    EXPECT_EQ(window_->entryPage()->entryModel()->rowCount(), 1);
}

TEST_F(ImportDialogTest, TheProgramShowsTheWindowForTheCoresModel) {
    auto bill = model(testing::alipayCsv({AppRow{.number = "N1"}}));
    ui::QtUserInteraction qt;
    qt.setParentWindow(window_.get());
    bool clicked = false;
    std::function<void()> whenReady = [&] {
        auto* dialog = qobject_cast<ui::BillImportDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->ready()) {
            QTimer::singleShot(10, whenReady);
            return;
        }
        clicked = true;
        dialog->importButton()->click();
    };
    QTimer::singleShot(10, whenReady);
    // The message "已导入 1 条账目。" goes to the scripted user of the state.
    qt.runWindow(WindowKind::BillImport, *bill);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(bill->outcome(), import::BillImportModel::Outcome::Imported);
}

}  // namespace
}  // namespace qinghe
