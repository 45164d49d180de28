#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/report_actions.h"
#include "app/window_ledger_view.h"
#include "entry/entry_changes.h"
#include "entry/ui/entry_page.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/export_choice_dialog.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "report/ui/statistics_chart.h"
#include "report/ui/statistics_model.h"
#include "report/ui/statistics_page.h"
#include "tables/schemas.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using testing::gbk;

// One open ledger 家庭 with five entries of 2015, the item and member lists
// set, and a shown window.
class ReportPagesTest : public testing::GuiTest {
  protected:
    ReportPagesTest() {
        state_.settings.incomeItems = {gbk("工资")};
        state_.settings.expenseItems = {gbk("餐饮"), gbk("交通")};
        state_.settings.members = {gbk("爸爸"), gbk("妈妈")};
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        const auto table =
            tables::storedPathToFile(state_.run, gbk("\\data\\家庭.edb"), tables::kDataFolder);
        EXPECT_TRUE(testing::appendEntries(
            state_, *table,
            {{42136, 1, gbk("工资"), 8500, gbk("爸爸"), gbk("五月"), false},      // 2015-05-12
             {42137, 2, gbk("餐饮"), 86.5, gbk("妈妈"), gbk("周末聚餐"), false},  // 2015-05-13
             {42100, 2, gbk("交通"), 120, gbk("爸爸"), gbk("车票"), false},       // 2015-04-06
             {42140, 2, gbk("餐饮"), 35.2, gbk("爸爸"), gbk("午饭"), false},      // 2015-05-16
             {41900, 2, gbk("餐饮"), 50, gbk("妈妈"), "", false}}));              // 2014-09-18
        finishStartUp();
        window_->show();
        waitForLedgerFigures();
        window_->ledgerPage()->ledgerList()->selectRow(0);
        window_->ledgerMenu().open->trigger();
    }

    ui::QueryPage& query() { return *window_->queryPage(); }
    ui::StatisticsPage& statistics() { return *window_->statisticsPage(); }

    // The dates of the listed rows, in list order.
    QStringList listedDates() {
        QStringList dates;
        const QAbstractItemModel* model = query().resultModel();
        for (int row = 0; row < model->rowCount(); ++row)
            dates << model->index(row, 0).data().toString();
        return dates;
    }
    void click(QLabel* label) { QTest::mouseClick(label, Qt::LeftButton); }
    void chooseDirection(int index) {
        query().directionBox()->setCurrentIndex(index);
        emit query().directionBox()->activated(index);
    }
    static QStringList items(const QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
        return texts;
    }
};

TEST_F(ReportPagesTest, ChoiceBoxesHoldAllAndTheNamesAndTheDirectionRefillsTheItems) {
    EXPECT_EQ(items(query().memberBox()), (QStringList{"全部", "爸爸", "妈妈"}));
    EXPECT_EQ(items(query().itemBox()), (QStringList{"全部", "工资", "餐饮", "交通"}));
    query().itemBox()->setCurrentIndex(2);
    chooseDirection(2);
    EXPECT_EQ(items(query().itemBox()), (QStringList{"全部", "餐饮", "交通"}));
    EXPECT_EQ(query().itemBox()->currentIndex(), 0);
    chooseDirection(1);
    EXPECT_EQ(items(query().itemBox()), (QStringList{"全部", "工资"}));
    // Set by the program (the drill-down), the box leaves the items alone.
    query().directionBox()->setCurrentIndex(0);
    EXPECT_EQ(items(query().itemBox()), (QStringList{"全部", "工资"}));
}

TEST_F(ReportPagesTest, QuickRangesSetThePickersWithoutRunningTheQuery) {
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    const QList<QLabel*>& ranges = query().quickRangeLabels();
    ASSERT_EQ(ranges.size(), 6);
    struct Case {
        int label;
        QDate start, end;
    };
    const Case cases[] = {
        {0, QDate(2015, 5, 12), QDate(2015, 5, 12)}, {1, QDate(2015, 5, 11), QDate(2015, 5, 11)},
        {2, QDate(2015, 5, 1), QDate(2015, 5, 31)},  {3, QDate(2015, 4, 1), QDate(2015, 4, 30)},
        {4, QDate(2015, 1, 1), QDate(2015, 12, 31)}, {5, QDate(2014, 1, 1), QDate(2014, 12, 31)},
    };
    for (const Case& c : cases) {
        click(ranges[c.label]);
        EXPECT_EQ(query().startDateEdit()->date(), c.start) << c.label;
        EXPECT_EQ(query().endDateEdit()->date(), c.end) << c.label;
    }
    EXPECT_EQ(query().resultModel()->rowCount(), 5);
    EXPECT_FALSE(query().resultModel()->showsQuery());
}

TEST_F(ReportPagesTest, QueryListsTheMatchingEntriesWithTheirTotal) {
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：0元"));
    click(query().quickRangeLabels()[2]);  // 本月
    query().queryButton()->click();
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-12", "2015-05-13", "2015-05-16"}));
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：8378.3元（结余）"));
    EXPECT_EQ(query().resultModel()->index(1, 0).data(Qt::UserRole).toInt(), 2);

    chooseDirection(2);
    query().memberBox()->setCurrentIndex(1);  // 爸爸
    query().queryButton()->click();
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-16"}));
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：35.2元（支出）"));

    query().memberBox()->setCurrentIndex(0);
    query().startDateEdit()->setDate(QDate(2014, 1, 1));
    query().noteEdit()->setText(QStringLiteral("聚"));
    query().queryButton()->click();
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13"}));

    // A note GBK cannot hold is refused where it was typed.
    query().noteEdit()->setText(QStringLiteral("😀"));
    query().queryButton()->click();
    EXPECT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13"}));

    // Entering the page again shows every entry; the label keeps its text.
    window_->toolAction(MainWindow::Tool::Entries)->trigger();
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    EXPECT_EQ(query().resultModel()->rowCount(), 5);
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：86.5元（支出）"));
}

TEST_F(ReportPagesTest, AQueryShownIsRunAgainWhenItsEntriesChange) {
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    query().itemBox()->setCurrentIndex(query().itemBox()->findText(QStringLiteral("餐饮")));
    query().startDateEdit()->setDate(QDate(2014, 1, 1));
    query().endDateEdit()->setDate(QDate(2015, 12, 31));
    query().queryButton()->click();
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13", "2015-05-16", "2014-09-18"}));

    // The controls changed since do not count: the list's own query runs again.
    query().noteEdit()->setText(QStringLiteral("不存在"));
    ui::WindowLedgerView view(*window_, state_);
    ASSERT_TRUE(entry::deleteEntry(state_, 2, &view));  // 交通, not listed
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13", "2015-05-16", "2014-09-18"}));
    EXPECT_EQ(query().resultModel()->index(1, 0).data(Qt::UserRole).toInt(), 3);
    ASSERT_TRUE(entry::deleteEntry(state_, 1, &view));  // the first listed
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-16", "2014-09-18"}));
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：85.2元（支出）"));
    ASSERT_TRUE(
        entry::addEntry(state_, {.date = 42001, .item = gbk("餐饮"), .amount = 10}, "", &view));
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-16", "2014-09-18", "2014-12-28"}));
    // An entry saved so that it no longer matches leaves the list.
    ASSERT_TRUE(entry::changeEntry(state_, 1, {.date = 42140, .item = gbk("交通"), .amount = 1},
                                   std::nullopt, &view));
    EXPECT_EQ(listedDates(), (QStringList{"2014-09-18", "2014-12-28"}));
    EXPECT_EQ(query().totalLabel()->text(), QStringLiteral("当前累计：60元（支出）"));
    // The hook for the view/modify window does the same.
    ASSERT_TRUE(window_->onRerunQuery);
    window_->onRerunQuery();
    EXPECT_EQ(listedDates(), (QStringList{"2014-09-18", "2014-12-28"}));
}

TEST_F(ReportPagesTest, StatisticsListAndChartAndClear) {
    window_->toolAction(MainWindow::Tool::Statistics)->trigger();
    statistics().unitBox()->setCurrentIndex(1);
    statistics().kindBox()->setCurrentIndex(1);
    statistics().queryButton()->click();
    const QAbstractItemModel* model = statistics().resultModel();
    ASSERT_EQ(model->rowCount(), 4);
    // In date order, as the chart; within a month 收入 first.
    const QStringList rows[] = {{"2014-9", "支出", "50"},
                                {"2015-4", "支出", "120"},
                                {"2015-5", "收入", "8500"},
                                {"2015-5", "支出", "121.7"}};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(model->index(row, column).data().toString(), rows[row][column]) << row;
    }
    ui::StatisticsChart& chart = *statistics().chart();
    EXPECT_EQ(chart.periods(), (QStringList{"2014-9", "2015-4", "2015-5"}));
    EXPECT_TRUE(chart.drawnAsBars());
    EXPECT_EQ(chart.seriesCount(), 1);  // one bar series with a set a direction

    statistics().clearButton()->click();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_TRUE(chart.periods().isEmpty());
    EXPECT_FALSE(window_->reportActions()->statistics());
    statistics().clearButton()->click();
    EXPECT_EQ(model->rowCount(), 0);

    // Nothing to export after "清除".
    statistics().exportButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_TRUE(user_.saveFileRequests.empty());
}

TEST_F(ReportPagesTest, DoubleClickOnAStatisticsRowOpensTheQueryOnItsPeriod) {
    window_->toolAction(MainWindow::Tool::Statistics)->trigger();
    statistics().unitBox()->setCurrentIndex(1);
    statistics().kindBox()->setCurrentIndex(1);
    statistics().queryButton()->click();
    // Other filters of 查账 stay as they are.
    query().memberBox()->setCurrentIndex(1);  // 爸爸
    QTableView& list = *statistics().resultList();
    const QPoint row = list.visualRect(list.model()->index(3, 1)).center();  // 2015-5 支出
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row);
    EXPECT_EQ(window_->currentPage(), MainWindow::kQueryPage);
    EXPECT_EQ(query().startDateEdit()->date(), QDate(2015, 5, 1));
    EXPECT_EQ(query().endDateEdit()->date(), QDate(2015, 5, 31));
    EXPECT_EQ(query().directionBox()->currentIndex(), 2);
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-16"}));
    EXPECT_EQ(query().ledgerLabel()->text(), QStringLiteral("当前账簿：  家庭"));
}

TEST_F(ReportPagesTest, ExportOfTheEntryMenuWritesTheSelectedEntry) {
    const fs::path out = folder_ / "out";
    fs::create_directories(out);
    window_->entryPage()->entryList()->selectRow(1);
    user_.folders.push_back(out);
    user_.formVisits.push_back({{"1", "0"}});
    window_->entryMenu().exportOne->trigger();
    const fs::path text = out / "2" / "账目.txt";
    ASSERT_TRUE(fs::exists(text));
    EXPECT_TRUE(fs::is_directory(out / "2" / "凭证"));
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, gbk("账目导出成功！"));

    user_.messages.clear();
    user_.folders.push_back(out);
    user_.formVisits.push_back({{"1", "1"}});
    window_->entryMenu().exportAll->trigger();
    for (int number = 1; number <= 5; ++number)
        EXPECT_TRUE(fs::exists(out / std::to_string(number) / "账目.txt")) << number;
    EXPECT_EQ(user_.progressTexts.size(), 1u);
}

TEST_F(ReportPagesTest, ExportResultsSavesTheListedRows) {
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    chooseDirection(1);
    query().startDateEdit()->setDate(QDate(2000, 1, 1));
    query().queryButton()->click();
    const fs::path file = folder_ / "income.csv";
    user_.saveFiles.push_back(file);
    query().exportButton()->click();
    std::ifstream in(file, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(csv,
              "\xEF\xBB\xBF记录号,日期,方向,项目,金额,成员,备注,票据附录\r\n"
              "1,2015-05-12,收入,工资,8500,爸爸,五月,无\r\n");
}

// The texts of one column of a list, in list order.
QStringList column(const QAbstractItemModel* model, int column) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

void clickHeader(QTableView* list, int column) {
    QHeaderView* header = list->horizontalHeader();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

TEST_F(ReportPagesTest, HeaderClicksSortTheEntryListThenReverseThenRestoreTheTableOrder) {
    window_->toolAction(MainWindow::Tool::Entries)->trigger();
    ui::EntryPage& page = *window_->entryPage();
    QTableView* list = page.entryList();
    const QAbstractItemModel* model = list->model();
    const QString balance = page.balanceLabel()->text();
    const QStringList tableOrder = {"8500", "86.5", "120", "35.2", "50"};
    ASSERT_EQ(column(model, 3), tableOrder);

    clickHeader(list, 3);  // 金额
    EXPECT_EQ(column(model, 3), (QStringList{"35.2", "50", "86.5", "120", "8500"}));
    EXPECT_TRUE(list->horizontalHeader()->isSortIndicatorShown());
    EXPECT_EQ(list->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    // Rows carry their record numbers wherever they stand.
    EXPECT_EQ(model->index(0, 0).data(Qt::UserRole).toInt(), 4);
    clickHeader(list, 3);
    EXPECT_EQ(column(model, 3), (QStringList{"8500", "120", "86.5", "50", "35.2"}));
    EXPECT_EQ(list->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    // A column that does not sort leaves the order and its arrow alone.
    clickHeader(list, 1);  // 方向
    EXPECT_EQ(column(model, 3), (QStringList{"8500", "120", "86.5", "50", "35.2"}));
    EXPECT_EQ(list->horizontalHeader()->sortIndicatorSection(), 3);
    clickHeader(list, 3);
    EXPECT_EQ(column(model, 3), tableOrder);
    EXPECT_FALSE(list->horizontalHeader()->isSortIndicatorShown());

    // Members by pinyin, ties in table order; the totals stay.
    clickHeader(list, 4);  // 成员
    EXPECT_EQ(column(model, 4), (QStringList{"爸爸", "爸爸", "爸爸", "妈妈", "妈妈"}));
    EXPECT_EQ(column(model, 0),
              (QStringList{"2015-05-12", "2015-04-06", "2015-05-16", "2015-05-13", "2014-09-18"}));
    EXPECT_EQ(page.balanceLabel()->text(), balance);

    // An entry added to a sorted list takes its place in the order.
    ui::WindowLedgerView view(*window_, state_);
    ASSERT_TRUE(entry::addEntry(
        state_, {.date = 42001, .item = gbk("餐饮"), .amount = 10, .member = gbk("爸爸")}, "",
        &view));
    EXPECT_EQ(column(model, 0), (QStringList{"2015-05-12", "2015-04-06", "2015-05-16", "2014-12-28",
                                             "2015-05-13", "2014-09-18"}));
    EXPECT_EQ(model->index(3, 0).data(Qt::UserRole).toInt(), 6);
}

TEST_F(ReportPagesTest, HeaderClicksSortTheQueryResultsAndTheExportFollowsTheList) {
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    chooseDirection(2);
    query().startDateEdit()->setDate(QDate(2000, 1, 1));
    query().queryButton()->click();
    QTableView* list = query().resultList();
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13", "2015-04-06", "2015-05-16", "2014-09-18"}));
    clickHeader(list, 0);  // 日期
    EXPECT_EQ(listedDates(), (QStringList{"2014-09-18", "2015-04-06", "2015-05-13", "2015-05-16"}));
    const QString total = query().totalLabel()->text();

    // The query runs again when its entries change, and stays sorted.
    ui::WindowLedgerView view(*window_, state_);
    ASSERT_TRUE(entry::deleteEntry(state_, 3, &view));  // 2015-05-16
    EXPECT_EQ(listedDates(), (QStringList{"2014-09-18", "2015-04-06", "2015-05-13"}));
    clickHeader(list, 0);
    EXPECT_EQ(listedDates(), (QStringList{"2015-05-13", "2015-04-06", "2014-09-18"}));
    EXPECT_NE(query().totalLabel()->text(), total);

    const fs::path file = folder_ / "sorted.csv";
    user_.saveFiles.push_back(file);
    query().exportButton()->click();
    std::ifstream in(file, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(csv,
              "\xEF\xBB\xBF记录号,日期,方向,项目,金额,成员,备注,票据附录\r\n"
              "2,2015-05-13,支出,餐饮,86.5,妈妈,周末聚餐,无\r\n"
              "3,2015-04-06,支出,交通,120,爸爸,车票,无\r\n"
              "4,2014-09-18,支出,餐饮,50,妈妈,,无\r\n");
}

TEST(ExportChoiceDialog, HandsBackTheStatesOfItsBoxes) {
    testing::application();
    testing::ScriptedUser user;
    std::vector<std::string> handed;
    ui::ExportChoiceDialog dialog(nullptr, {"1", "1"}, user,
                                  [&handed](const std::vector<std::string>& fields) {
                                      handed = fields;
                                      return true;
                                  });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("选择导出方式"));
    EXPECT_TRUE(dialog.dataBox()->isChecked());
    EXPECT_TRUE(dialog.imagesBox()->isChecked());
    dialog.imagesBox()->setChecked(false);
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("确定")) button->click();
    }
    EXPECT_EQ(handed, (std::vector<std::string>{"1", "0"}));
}

}  // namespace
}  // namespace qinghe
