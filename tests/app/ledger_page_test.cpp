#include <QAction>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <numeric>

#include "common/ui/page_widgets.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "tables/schemas.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

namespace qinghe {
namespace {

using testing::gbk;

// Two real ledgers, 家庭 without entries and 旅行 with two, listed on the
// 账簿管理 page of a shown window.
class LedgerPageTest : public testing::GuiTest {
  protected:
    LedgerPageTest() {
        for (const char* name : {"家庭", "旅行"}) {
            EXPECT_EQ(ledger::createLedger(state_, gbk(name), ""),
                      ledger::CreateLedgerResult::Created);
        }
        const auto table =
            tables::storedPathToFile(state_.run, gbk("\\data\\旅行.edb"), tables::kDataFolder);
        EXPECT_TRUE(testing::appendEntries(
            state_, *table,
            {{.direction = 1, .item = gbk("奖金"), .amount = 300, .member = gbk("妈妈")},
             {.date = 42137, .item = gbk("车票"), .amount = 120.5, .note = gbk("往返")}}));
        finishStartUp();
        window_->selectPage(MainWindow::kLedgerPage);
        window_->show();
        waitForLedgerFigures();
    }

    ui::LedgerPage& page() { return *window_->ledgerPage(); }
    QTableView& ledgerList() { return *page().ledgerList(); }

    // The middle of a row of a list, in its viewport.
    static QPoint rowPoint(QTableView& list, int row) {
        return list.visualRect(list.model()->index(row, 1)).center();
    }
    // Below the last row.
    static QPoint emptyPoint(QTableView& list) {
        return QPoint(20, list.viewport()->height() - 10);
    }

    void selectLedger(int row) { ledgerList().selectRow(row); }

    // A double-click as the mouse makes it: a click, then the second press.
    static void doubleClick(QTableView& list, QPoint point) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, point);
    }
    // A right-click with the context menu request the window system adds.
    static void rightClick(QTableView& list, QPoint point) {
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, point);
        QContextMenuEvent request(QContextMenuEvent::Mouse, point,
                                  list.viewport()->mapToGlobal(point));
        QApplication::sendEvent(list.viewport(), &request);
    }

    // What the user was asked since the last call: forms by kind, messages as
    // "?" (a question) or "!" (a notice).
    std::string asked() {
        std::string answer;
        for (const FormRequest& form : user_.formRequests) {
            answer += form.kind == FormKind::NewLedger        ? "new "
                      : form.kind == FormKind::ChangeLedger   ? "change "
                      : form.kind == FormKind::LedgerPassword ? "password "
                                                              : "balance ";
        }
        for (const Message& message : user_.messages)
            answer += message.buttons == MessageButtons::OkCancel ? "? " : "! ";
        user_.formRequests.clear();
        user_.messages.clear();
        return answer;
    }
};

TEST_F(LedgerPageTest, ListShowsTheLedgersWithTheirTotals) {
    ui::LedgerListModel& model = *page().ledgerModel();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(1, 1).data().toString(), QStringLiteral("旅行"));
    EXPECT_EQ(model.index(1, 3).data().toString(), QStringLiteral("2"));
    EXPECT_EQ(model.recordNumber(1), 2);
    EXPECT_EQ(model.index(1, 0).data(Qt::UserRole).toInt(), 2);
    EXPECT_EQ(page().countLabel()->text(), QStringLiteral("账簿数量：2"));
    EXPECT_EQ(page().incomeLabel()->text(), QStringLiteral("累计收入：300"));
    EXPECT_EQ(page().expenseLabel()->text(), QStringLiteral("累计支出：120.5"));
    EXPECT_EQ(page().balanceLabel()->text(), QStringLiteral("当前余额：179.5"));
}

TEST_F(LedgerPageTest, DoubleClickOnALedgerOpensIt) {
    // Nothing selected, nothing opens.
    doubleClick(ledgerList(), emptyPoint(ledgerList()));
    EXPECT_FALSE(state_.currentLedger.isOpen());
    EXPECT_EQ(window_->currentPage(), MainWindow::kLedgerPage);

    doubleClick(ledgerList(), rowPoint(ledgerList(), 1));
    EXPECT_EQ(state_.currentLedger.name, gbk("旅行"));
    ASSERT_EQ(window_->currentPage(), MainWindow::kEntryPage);
    EXPECT_EQ(asked(), "");

    ui::EntryPage& entries = *window_->entryPage();
    ui::EntryListModel& model = *entries.entryModel();
    ASSERT_EQ(model.rowCount(), 2);
    const QStringList secondRow = {"2015-05-13", "支出", "车票", "120.5", "", "往返", "无"};
    for (int column = 0; column < secondRow.size(); ++column)
        EXPECT_EQ(model.index(1, column).data().toString(), secondRow[column]) << column;
    EXPECT_EQ(model.recordNumber(1), 2);
    EXPECT_EQ(model.index(1, 0).data(Qt::UserRole).toInt(), 2);
    EXPECT_EQ(entries.ledgerLabel()->text(), QStringLiteral("当前账簿：  旅行"));
    EXPECT_EQ(entries.incomeLabel()->text(), QStringLiteral("累计收入：300"));
    EXPECT_EQ(entries.balanceLabel()->text(), QStringLiteral("当前余额：179.5"));
    EXPECT_EQ(window_->queryPage()->resultModel()->rowCount(), 2);

    // The 记账 list is striped.
    QTableView& list = *entries.entryList();
    const QImage image = list.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(list.visualRect(model.index(0, 4)).center()).rgb(),
              qRgb(203, 216, 203));
}

TEST_F(LedgerPageTest, RightClickShowsTheMenuOnlyOverASelectedRow) {
    doubleClick(ledgerList(), rowPoint(ledgerList(), 1));
    const struct {
        const char* name;
        QTableView* list;
        QMenu* menu;
    } cases[] = {
        {"ledgers", &ledgerList(), window_->ledgerMenu().menu},
        {"entries", window_->entryPage()->entryList(), window_->entryMenu().menu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window_->selectPage(c.list == &ledgerList() ? MainWindow::kLedgerPage
                                                    : MainWindow::kEntryPage);
        c.list->clearSelection();
        rightClick(*c.list, emptyPoint(*c.list));
        EXPECT_FALSE(c.menu->isVisible());

        // Right-click on a row selects it first, as a click does.
        rightClick(*c.list, rowPoint(*c.list, 0));
        EXPECT_TRUE(c.list->selectionModel()->isRowSelected(0, {}));
        EXPECT_TRUE(c.menu->isVisible());
        c.menu->hide();
    }
}

TEST_F(LedgerPageTest, EveryLedgerMenuItemCanBeClicked) {
    for (QAction* action : window_->ledgerMenu().menu->actions())
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(LedgerPageTest, NewLedgerFormAddsTheLedgerToTheList) {
    // An empty name is refused and the form stays for the second try.
    user_.formVisits = {{{"", ""}, {gbk("装修"), ""}}};
    page().newButton()->click();
    waitForLedgerFigures();
    EXPECT_EQ(asked(), "new ! ");
    ui::LedgerListModel& model = *page().ledgerModel();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(2, 1).data().toString(), QStringLiteral("装修"));
    EXPECT_EQ(page().countLabel()->text(), QStringLiteral("账簿数量：3"));
}

TEST_F(LedgerPageTest, ButtonsAndMenuItemsActOnTheSelectedLedger) {
    const MainWindow::LedgerMenu& menu = window_->ledgerMenu();
    const struct {
        const char* name;
        std::function<void()> use;
        std::string withoutSelection;
        std::string withSelection;
    } cases[] = {
        {"修改账簿", [&] { page().modifyButton()->click(); }, "", "change "},
        {"修改...", [&] { menu.modify->trigger(); }, "", "change "},
        {"删除账簿", [&] { page().deleteButton()->click(); }, "", "? "},
        {"删除！", [&] { menu.remove->trigger(); }, "", "? "},
        // Clearing takes every row, selected or not.
        {"清空账簿", [&] { page().clearButton()->click(); }, "? ", "? "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ledgerList().clearSelection();
        user_.answers = {MessageAnswer::Cancel};
        c.use();
        EXPECT_EQ(asked(), c.withoutSelection);
        selectLedger(1);
        user_.answers = {MessageAnswer::Cancel};
        c.use();
        EXPECT_EQ(asked(), c.withSelection);
    }
    // The forms and questions were all cancelled.
    EXPECT_EQ(page().ledgerModel()->rowCount(), 2);
    EXPECT_EQ(page().ledgerModel()->index(1, 1).data().toString(), QStringLiteral("旅行"));

    // 修改账簿 shows the selected ledger's name.
    selectLedger(1);
    page().modifyButton()->click();
    ASSERT_EQ(user_.formRequests.size(), 1u);
    EXPECT_EQ(user_.formRequests[0].initial.at(0), gbk("旅行"));
    asked();

    ledgerList().clearSelection();
    menu.open->trigger();
    EXPECT_FALSE(state_.currentLedger.isOpen());
    selectLedger(0);
    menu.open->trigger();
    EXPECT_EQ(state_.currentLedger.name, gbk("家庭"));
    EXPECT_EQ(window_->currentPage(), MainWindow::kEntryPage);
    EXPECT_EQ(window_->entryPage()->entryModel()->rowCount(), 0);
}

TEST(ColumnFitting, LastColumnTakesTheRestOrAllShrinkInProportion) {
    const struct {
        QList<int> widths;
        int available;
        QList<int> fitted;
    } cases[] = {
        {{100, 60, 150, 100, 80, 250, 80}, 900, {100, 60, 150, 100, 80, 250, 160}},
        {{50, 50}, 100, {50, 50}},
        // 820 pixels of columns in 775: each shrinks, the total is exact.
        {{100, 60, 150, 100, 80, 250, 80}, 775, {94, 56, 141, 94, 75, 236, 79}},
        {{100, 300}, 200, {50, 150}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ui::fittedColumnWidths(c.widths, c.available), c.fitted) << c.available;
    }
}

TEST_F(LedgerPageTest, ListsKeepTheirHeadersAndWidthsWhenRefilled) {
    doubleClick(ledgerList(), rowPoint(ledgerList(), 1));
    window_->toolAction(MainWindow::Tool::Ledgers)->trigger();
    const struct {
        QTableView* list;
        QString headers;
        QList<int> widths;
        int page;
    } cases[] = {
        {&ledgerList(),
         QStringLiteral("序号 账簿名称 创建时间 账目条数 最后记录时间 总收入 总支出 结余"),
         {50, 150, 100, 80, 100, 100, 100, 100},
         MainWindow::kLedgerPage},
        {window_->entryPage()->entryList(),
         QStringLiteral("日期 方向 项目 金额 成员 备注 票据附录"),
         {100, 60, 150, 100, 80, 250, 80},
         MainWindow::kEntryPage},
        {window_->queryPage()->resultList(),
         QStringLiteral("日期 方向 项目 金额 成员 备注 票据附录"),
         {80, 60, 150, 100, 80, 250, 80},
         MainWindow::kQueryPage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headers.toStdString());
        // A page is laid out to the window's size when it is shown.
        window_->selectPage(c.page);
        QApplication::processEvents();
        ASSERT_GT(c.list->model()->rowCount(), 0);
        QStringList headers;
        QList<int> widths;
        for (int column = 0; column < c.list->model()->columnCount(); ++column) {
            headers << c.list->model()->headerData(column, Qt::Horizontal).toString();
            widths << c.list->columnWidth(column);
        }
        EXPECT_EQ(headers.join(QLatin1Char(' ')), c.headers);
        // The drawn widths, fitted into the view: nothing hides behind a
        // horizontal scroll bar.
        const int available = c.list->viewport()->width();
        EXPECT_EQ(widths, ui::fittedColumnWidths(c.widths, available));
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), available);
    }
}

}  // namespace
}  // namespace qinghe
