#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/entry_actions.h"
#include "app/lock_actions.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"
#include "config/name_list_texts.h"
#include "config/ui/name_list_dialog.h"
#include "config/ui/settings_page.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_changes.h"
#include "entry/entry_window.h"
#include "entry/ui/add_entry_window.h"
#include "entry/ui/entry_controls.h"
#include "entry/ui/entry_list_model.h"
#include "entry/ui/entry_page.h"
#include "entry/ui/entry_window_dialog.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/query_result_model.h"
#include "session/user_store.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

// The entry features wired to the main window: the 记账 page's buttons, its
// list and menu, the 查账 list, the add window, the entry window, and the two
// list dialogs of the settings page.

namespace qinghe {
namespace {

using testing::gbk;

QStringList comboTexts(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
}

// One ledger 家庭 with three entries, opened through the ledger page as a user
// opens it, in a shown window.
class EntryWindowsTest : public testing::GuiTest {
  protected:
    EntryWindowsTest() {
        EXPECT_TRUE(openUserStore(state_));
        state_.settings.expenseItems = {gbk("餐饮"), gbk("交通")};
        state_.settings.incomeItems = {gbk("工资")};
        state_.settings.members = {gbk("爸爸"), gbk("妈妈")};
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        const auto table = folder_ / "data/家庭.edb";
        EXPECT_TRUE(testing::appendEntries(
            state_, table,
            {{.date = 42130,
              .direction = 1,
              .item = gbk("工资"),
              .amount = 8500,
              .member = gbk("爸爸")},
             {.date = 42131, .item = gbk("餐饮"), .amount = 12.345, .member = gbk("妈妈")},
             {.date = 42132, .item = gbk("交通"), .amount = 3}}));
        finishStartUp();
        window_->show();
        window_->ledgerPage()->ledgerList()->selectRow(0);
        window_->ledgerMenu().open->trigger();
        EXPECT_EQ(window_->currentPage(), MainWindow::kEntryPage);
    }

    ui::EntryPage& page() { return *window_->entryPage(); }
    QTableView& entryList() { return *page().entryList(); }
    ui::EntryListModel& entryModel() { return *page().entryModel(); }
    QTableView& queryList() { return *window_->queryPage()->resultList(); }

    ui::AddEntryWindow* openAddWindow() {
        page().addButton()->click();
        return window_->entryActions()->addWindow();
    }

    // The entry window's next visit: what it was opened on, and what to do.
    void visitEntryWindow(std::function<void(entry::EntryWindowModel&)> visit = {}) {
        user_.windowVisits.push_back([this, visit](WindowKind kind, WindowModel& model) {
            ASSERT_EQ(kind, WindowKind::Entry);
            auto& window = dynamic_cast<entry::EntryWindowModel&>(model);
            opened_.push_back({window.startPage(), window.viewTexts().item});
            if (visit) visit(window);
        });
    }

    std::vector<std::pair<entry::EntryPage, std::string>> opened_;
};

TEST_F(EntryWindowsTest, EveryEntryButtonAndMenuItemIsLive) {
    for (QToolButton* button :
         {page().clearButton(), page().deleteButton(), page().addButton(), page().modifyButton()})
        EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
    const MainWindow::EntryMenu& menu = window_->entryMenu();
    for (QAction* action : menu.menu->actions())
        EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(EntryWindowsTest, StartUpOffersTheListsAsFilterChoices) {
    ui::QueryPage& query = *window_->queryPage();
    EXPECT_EQ(comboTexts(query.memberBox()), (QStringList{"全部", "爸爸", "妈妈"}));
    EXPECT_EQ(comboTexts(query.itemBox()), (QStringList{"全部", "工资", "餐饮", "交通"}));
    EXPECT_EQ(query.itemBox()->currentIndex(), 0);
}

TEST_F(EntryWindowsTest, TheAddWindowIsModelessAndASecondPressRaisesTheSameOne) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    EXPECT_TRUE(add->isVisible());
    EXPECT_FALSE(add->isModal());
    EXPECT_EQ(add->windowTitle(), QStringLiteral("添加一个项目"));
    EXPECT_EQ(add->size(), QSize(544, 326));
    EXPECT_EQ(add->parentWidget(), window_.get());
    add->hide();
    EXPECT_EQ(openAddWindow(), add);
    EXPECT_TRUE(add->isVisible());
    // The main window goes on working meanwhile.
    entryList().selectRow(0);
    visitEntryWindow();
    page().modifyButton()->click();
    EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(EntryWindowsTest, AddingFromTheWindowShowsTheEntryAndResetsTheWindow) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->directionBox()->currentText(), QStringLiteral("支出"));
    EXPECT_EQ(comboTexts(add->itemBox()), (QStringList{"餐饮", "交通"}));
    EXPECT_EQ(add->datePicker()->date(), QDate(2015, 5, 12));

    // The direction reloads the items; the spin moves the day.
    add->directionBox()->setCurrentIndex(0);
    EXPECT_EQ(comboTexts(add->itemBox()), QStringList{"工资"});
    QTest::mouseClick(add->daySpin()->laterButton(), Qt::LeftButton);
    QTest::mouseClick(add->daySpin()->laterButton(), Qt::LeftButton);
    QTest::mouseClick(add->daySpin()->earlierButton(), Qt::LeftButton);
    EXPECT_EQ(add->datePicker()->date(), QDate(2015, 5, 13));

    add->itemBox()->setEditText(QStringLiteral("奖金"));
    add->memberBox()->setEditText(QStringLiteral("孩子"));
    QTest::keyClicks(add->amountBox(), QStringLiteral("1a2.3.5"));
    EXPECT_EQ(add->amountBox()->text(), QStringLiteral("12.35"));  // only a number gets in
    add->noteBox()->setPlainText(QStringLiteral("压岁钱\n过年"));
    add->addButton()->click();
    EXPECT_TRUE(user_.messages.empty());

    ASSERT_EQ(entryModel().rowCount(), 4);
    const QStringList row = {"2015-05-13", "收入", "奖金", "12.35", "孩子", "", "无"};
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(entryModel().index(3, column).data().toString(), row[column]) << column;
    EXPECT_EQ(window_->queryPage()->resultModel()->rowCount(), 4);
    EXPECT_EQ(page().incomeLabel()->text(), QStringLiteral("累计收入：8512.35"));
    const EntryValues stored = state_.currentLedger.rows->values(3);
    EXPECT_EQ(stored.amount, 12.35);
    EXPECT_EQ(stored.note, gbk("压岁钱\r\n过年"));
    EXPECT_EQ(stored.date, 42137.5);

    // Reset for the next, the direction kept, the new names offered.
    EXPECT_TRUE(add->isVisible());
    EXPECT_EQ(add->directionBox()->currentText(), QStringLiteral("收入"));
    EXPECT_EQ(comboTexts(add->itemBox()), (QStringList{"奖金", "工资"}));
    EXPECT_EQ(comboTexts(add->memberBox()), (QStringList{"孩子", "爸爸", "妈妈"}));
    EXPECT_TRUE(add->amountBox()->text().isEmpty());
    EXPECT_TRUE(add->noteBox()->toPlainText().isEmpty());
    EXPECT_EQ(add->datePicker()->date(), QDate(2015, 5, 12));
    EXPECT_EQ(comboTexts(window_->queryPage()->itemBox()),
              (QStringList{"全部", "奖金", "工资", "餐饮", "交通"}));
}

TEST_F(EntryWindowsTest, TheAddWindowRefusesWhatCannotBeStored) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    add->addButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, entry::kAddAmountMissing);

    add->amountBox()->setText(QStringLiteral("5"));
    add->noteBox()->setPlainText(QStringLiteral("好吃😀"));
    add->addButton()->click();
    ASSERT_EQ(user_.messages.size(), 2u);
    EXPECT_EQ(user_.messages[1].text, texts::kUnstorableText);
    EXPECT_EQ(entryModel().rowCount(), 3);
    EXPECT_EQ(add->noteBox()->toPlainText(), QStringLiteral("好吃😀"));

    // A note takes no more than its field keeps.
    add->noteBox()->setPlainText(QString(300, QChar(u'字')));
    EXPECT_EQ(add->noteBox()->toPlainText(), QString(256, QChar(u'字')));
}

TEST_F(EntryWindowsTest, CancelAndExitRefillTheFilterChoicesTheCloseControlDoesNot) {
    ui::QueryPage& query = *window_->queryPage();
    // 取消, 退出, the close control, Esc.
    for (int button = 0; button < 4; ++button) {
        SCOPED_TRACE(button);
        query.itemBox()->setCurrentIndex(2);
        ui::AddEntryWindow* add = openAddWindow();
        ASSERT_NE(add, nullptr);
        QPointer<ui::AddEntryWindow> watched(add);
        if (button == 0) add->cancelButton()->click();
        if (button == 1) add->exitButton()->click();
        if (button == 2) add->close();
        if (button == 3) QTest::keyClick(add, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watched.isNull());  // gone with what was collected
        EXPECT_EQ(query.itemBox()->currentIndex(), button >= 2 ? 2 : 0);
    }
}

TEST_F(EntryWindowsTest, TheAddWindowHidesWhileTheProgramIsLocked) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    window_->lockActions()->lock();
    EXPECT_FALSE(add->isVisible());
    user_.passwordVisits = {{"470913"}};
    EXPECT_TRUE(window_->lockActions()->unlock());
    EXPECT_TRUE(add->isVisible());
}

TEST_F(EntryWindowsTest, ListsAndButtonsOpenTheEntryWindowOnTheSelectedRow) {
    // Nothing selected: nothing opens.
    entryList().clearSelection();
    page().modifyButton()->click();
    window_->entryMenu().view->trigger();
    EXPECT_TRUE(user_.windowKinds.empty());

    const struct {
        const char* name;
        std::function<void()> open;
        entry::EntryPage page;
    } cases[] = {
        {"double-click on 记账", [&] { emit entryList().doubleClicked(entryModel().index(1, 0)); },
         entry::EntryPage::View},
        {"查看...", [&] { window_->entryMenu().view->trigger(); }, entry::EntryPage::View},
        {"修改条目", [&] { page().modifyButton()->click(); }, entry::EntryPage::Modify},
        {"修改...", [&] { window_->entryMenu().modify->trigger(); }, entry::EntryPage::Modify},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        opened_.clear();
        entryList().selectRow(1);
        visitEntryWindow();
        c.open();
        ASSERT_EQ(opened_.size(), 1u);
        EXPECT_EQ(opened_[0].first, c.page);
        EXPECT_EQ(opened_[0].second, gbk("项目：  餐饮"));
    }
}

TEST_F(EntryWindowsTest, SavingKeepsTheRowSelectedInTheListItCameFrom) {
    entryList().selectRow(2);
    visitEntryWindow([](entry::EntryWindowModel& window) {
        window.form().amount = "30";
        window.form().amountTyped = true;
        EXPECT_TRUE(window.save());
    });
    page().modifyButton()->click();
    EXPECT_EQ(entryModel().index(2, 3).data().toString(), QStringLiteral("30"));
    EXPECT_TRUE(entryList().selectionModel()->isRowSelected(2, {}));

    // From the 查账 list: that list is made again, the row selected there.
    queryList().selectRow(0);
    visitEntryWindow([](entry::EntryWindowModel& window) { EXPECT_TRUE(window.save()); });
    int queries = 0;
    window_->entryActions()->screens().runQuery = [&] {
        ++queries;
        entry::fillQueryList(state_, window_->entryActions()->screens().lists());
    };
    emit queryList().doubleClicked(window_->queryPage()->resultModel()->index(0, 0));
    EXPECT_EQ(opened_.back().second, gbk("项目：  工资"));
    EXPECT_EQ(queries, 1);
    EXPECT_TRUE(queryList().selectionModel()->isRowSelected(0, {}));
}

TEST_F(EntryWindowsTest, AFailedAddIsToldAndKeepsTheFormAndTheLists) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    add->itemBox()->setCurrentIndex(add->itemBox()->findText(QStringLiteral("餐饮")));
    add->memberBox()->setCurrentIndex(add->memberBox()->findText(QStringLiteral("妈妈")));
    QTest::keyClicks(add->amountBox(), QStringLiteral("7.5"));

    // The disk refuses every flush: nothing was added, and the user is told.
    files_.failFlushes = true;
    add->addButton()->click();
    files_.failFlushes = false;
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, entry::kAddFailed);
    EXPECT_EQ(add->amountBox()->text(), QStringLiteral("7.5"));
    EXPECT_EQ(entryModel().rowCount(), 3);
    EXPECT_EQ(page().expenseLabel()->text(), QStringLiteral("累计支出：15.35"));

    // Once it works again the same press adds the entry, once, and the list
    // shows the rows the table holds.
    add->addButton()->click();
    EXPECT_EQ(user_.messages.size(), 1u);
    ASSERT_EQ(entryModel().rowCount(), 4);
    EXPECT_EQ(state_.currentLedger.rows->size(), 4u);
    EXPECT_EQ(entryModel().index(3, 3).data().toString(), QStringLiteral("7.5"));
    EXPECT_EQ(page().expenseLabel()->text(), QStringLiteral("累计支出：22.85"));
}

TEST_F(EntryWindowsTest, AnEntrySavedFromTheQueryListIsQueriedAgain) {
    // 查账 for 餐饮 in 2015: the one entry of that item.
    window_->toolAction(MainWindow::Tool::Query)->trigger();
    ui::QueryPage& query = *window_->queryPage();
    query.startDateEdit()->setDate(QDate(2015, 1, 1));
    query.endDateEdit()->setDate(QDate(2015, 12, 31));
    query.itemBox()->setCurrentIndex(query.itemBox()->findText(QStringLiteral("餐饮")));
    query.queryButton()->click();
    ASSERT_EQ(query.resultModel()->rowCount(), 1);

    // Its item changed in the entry window: the query no longer lists it.
    queryList().selectRow(0);
    visitEntryWindow([](entry::EntryWindowModel& window) {
        window.form().item = entry::nameBoxShowing(window.form().item.choices, gbk("交通"));
        EXPECT_TRUE(window.save());
    });
    emit queryList().doubleClicked(query.resultModel()->index(0, 0));
    EXPECT_EQ(opened_.size(), 1u);
    EXPECT_EQ(query.resultModel()->rowCount(), 0);
    EXPECT_EQ(query.totalLabel()->text(), QStringLiteral("当前累计：0元"));
}

TEST_F(EntryWindowsTest, DeleteAndClearAskAndTakeTheRowsAway) {
    entryList().clearSelection();
    page().deleteButton()->click();
    EXPECT_TRUE(user_.messages.empty());

    entryList().selectRow(1);
    page().deleteButton()->click();
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, entry::kDeleteQuestion);
    ASSERT_EQ(entryModel().rowCount(), 2);
    EXPECT_EQ(entryModel().index(1, 2).data().toString(), QStringLiteral("交通"));
    EXPECT_EQ(entryModel().index(1, 0).data(Qt::UserRole).toInt(), 2);

    entryList().selectRow(0);
    window_->entryMenu().remove->trigger();
    EXPECT_EQ(entryModel().rowCount(), 1);

    user_.answers = {MessageAnswer::Cancel};
    page().clearButton()->click();
    EXPECT_EQ(entryModel().rowCount(), 1);
    page().clearButton()->click();
    EXPECT_EQ(entryModel().rowCount(), 0);
    EXPECT_EQ(window_->queryPage()->resultModel()->rowCount(), 0);
    EXPECT_EQ(page().expenseLabel()->text(), QStringLiteral("累计支出：0"));
    user_.messages.clear();
    page().clearButton()->click();  // an empty list asks nothing
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(EntryWindowsTest, SettingsButtonsOpenTheListDialogs) {
    ui::SettingsPage& settings = *window_->settingsPage();
    user_.windowVisits.push_back([](WindowKind kind, WindowModel& model) {
        EXPECT_EQ(kind, WindowKind::ItemLists);
        auto& dialog = dynamic_cast<NameListsModel&>(model);
        EXPECT_TRUE(dialog.removeLine(NameListsModel::kExpenseList, 0));
        dialog.accept();
    });
    settings.itemsButton()->click();
    EXPECT_EQ(state_.settings.expenseItems, std::vector<std::string>{gbk("交通")});
    EXPECT_EQ(comboTexts(window_->queryPage()->itemBox()), (QStringList{"全部", "工资", "交通"}));

    user_.windowVisits.push_back([](WindowKind kind, WindowModel& model) {
        EXPECT_EQ(kind, WindowKind::MemberList);
        dynamic_cast<NameListsModel&>(model).cancel();
    });
    settings.membersButton()->click();
    EXPECT_EQ(user_.windowKinds,
              (std::vector<WindowKind>{WindowKind::ItemLists, WindowKind::MemberList}));
}

// The dialogs themselves, over models of the core.
TEST_F(EntryWindowsTest, TheListDialogRunsItsModelsActions) {
    NameListsModel model(NameListsModel::Kind::Items, {{gbk("工资")}, {gbk("餐饮"), gbk("交通")}},
                         user_);
    ui::NameListDialog dialog(window_.get(), model);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("设定收支项目"));
    EXPECT_EQ(dialog.size(), QSize(469, 553));
    ASSERT_EQ(dialog.lists().size(), 2);
    const auto& expense = dialog.lists()[1];
    EXPECT_EQ(expense.list->count(), 2);

    expense.remove->click();  // nothing selected: nothing asked
    EXPECT_TRUE(user_.messages.empty());
    expense.list->setCurrentRow(0);
    expense.remove->click();
    EXPECT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(expense.list->count(), 1);
    EXPECT_EQ(expense.list->item(0)->text(), QStringLiteral("交通"));

    user_.texts = {gbk("房租")};
    expense.add->click();
    EXPECT_EQ(expense.list->item(1)->text(), QStringLiteral("房租"));
    user_.answers = {MessageAnswer::Ok};
    dialog.lists()[0].clear->click();
    EXPECT_EQ(dialog.lists()[0].list->count(), 0);
    dialog.okButton()->click();
    EXPECT_EQ(model.outcome(), NameListsModel::Outcome::Accepted);
    EXPECT_EQ(model.lines(1), (std::vector<std::string>{gbk("交通"), gbk("房租")}));

    NameListsModel members(NameListsModel::Kind::Members, {{gbk("爸爸"), "", gbk("妈妈")}}, user_);
    ui::NameListDialog memberDialog(window_.get(), members);
    EXPECT_EQ(memberDialog.windowTitle(), QStringLiteral("家庭成员设定"));
    EXPECT_EQ(memberDialog.size(), QSize(407, 356));
    EXPECT_EQ(memberDialog.lists()[0].list->count(), 2);
    memberDialog.cancelButton()->click();
    EXPECT_EQ(members.outcome(), NameListsModel::Outcome::Cancelled);
}

TEST_F(EntryWindowsTest, TheEntryWindowShowsBothPagesAndSavesWhatIsTyped) {
    entry::EntryScreens& screens = window_->entryActions()->screens();
    entry::EntryWindowModel model(state_, 1, state_.currentLedger.rows->values(1), "",
                                  entry::EntryPage::View, screens);
    ui::EntryWindowDialog dialog(window_.get(), model);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("查看、修改项目内容"));
    EXPECT_EQ(dialog.pages()->currentIndex(), 0);
    EXPECT_EQ(dialog.dateLabel()->text(), QStringLiteral("时间：  2015-05-07"));
    EXPECT_EQ(dialog.directionLabel()->text(), QStringLiteral("收支方向：  支出"));
    EXPECT_EQ(dialog.itemLabel()->text(), QStringLiteral("项目：  餐饮"));
    EXPECT_EQ(dialog.memberLabel()->text(), QStringLiteral("成员：  妈妈"));
    EXPECT_EQ(dialog.amountLabel()->text(), QStringLiteral("金额：  12.35"));
    EXPECT_TRUE(dialog.viewNote()->isReadOnly());
    dialog.modifyButton()->click();
    EXPECT_EQ(dialog.pages()->currentIndex(), 1);
    EXPECT_EQ(dialog.itemBox()->currentIndex(), 0);
    EXPECT_EQ(dialog.amountBox()->text(), QStringLiteral("12.35"));

    // The direction has no handler: the choices stay.
    dialog.directionBox()->setCurrentIndex(0);
    EXPECT_EQ(comboTexts(dialog.itemBox()), (QStringList{"餐饮", "交通"}));
    dialog.directionBox()->setCurrentIndex(1);

    // Saved untouched, the amount keeps its third decimal.
    dialog.noteBox()->setPlainText(QStringLiteral("午饭"));
    dialog.saveButton()->click();
    EXPECT_EQ(model.outcome(), entry::EntryWindowModel::Outcome::Saved);
    EXPECT_EQ(state_.currentLedger.rows->amount(1), 12.345);
    EXPECT_EQ(state_.currentLedger.rows->note(1), gbk("午饭"));
    EXPECT_EQ(entryModel().index(1, 5).data().toString(), QStringLiteral("午饭"));

    // Typed over, even with the same text, it is what was typed.
    entry::EntryWindowModel again(state_, 1, state_.currentLedger.rows->values(1), "",
                                  entry::EntryPage::Modify, screens);
    ui::EntryWindowDialog second(window_.get(), again);
    EXPECT_EQ(second.pages()->currentIndex(), 1);
    second.amountBox()->clear();
    QTest::keyClicks(second.amountBox(), QStringLiteral("12.35"));
    second.saveButton()->click();
    EXPECT_EQ(state_.currentLedger.rows->amount(1), 12.35);

    // An empty amount keeps the window open.
    entry::EntryWindowModel third(state_, 1, state_.currentLedger.rows->values(1), "",
                                  entry::EntryPage::Modify, screens);
    ui::EntryWindowDialog thirdDialog(window_.get(), third);
    thirdDialog.show();
    thirdDialog.amountBox()->clear();
    thirdDialog.saveButton()->click();
    EXPECT_TRUE(thirdDialog.isVisible());
    EXPECT_EQ(user_.messages.back().text, entry::kModifyAmountMissing);
    thirdDialog.cancelButton()->click();
    EXPECT_EQ(third.outcome(), entry::EntryWindowModel::Outcome::Cancelled);
    EXPECT_FALSE(thirdDialog.isVisible());
}

// Types a date over the whole text of a date box, as a user does after
// selecting it, and leaves the box.
void typeWholeDate(QDateEdit* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(box, &out);
}

// A whole date typed over the date box is exactly that date (never with the
// old year); one the box cannot show is refused and the date stays.
TEST_F(EntryWindowsTest, AWholeDateTypedOverADateBoxIsExactlyThatDate) {
    ui::AddEntryWindow* add = openAddWindow();
    ASSERT_NE(add, nullptr);
    struct Case {
        const char* typed;
        QDate shown;
    };
    const Case cases[] = {
        {"2025-01-01", QDate(2025, 1, 1)},  {"2025-1-5", QDate(2025, 1, 5)},
        {"2025-02-30", QDate(2015, 5, 12)},  // no such day: refused
        {"0050-01-01", QDate(2015, 5, 12)},  // before the earliest: refused
        {"2024/2/29", QDate(2024, 2, 29)},
    };
    for (const Case& c : cases) {
        add->datePicker()->setDate(QDate(2015, 5, 12));
        typeWholeDate(add->datePicker(), QString::fromLatin1(c.typed));
        EXPECT_EQ(add->datePicker()->date(), c.shown) << c.typed;
        EXPECT_EQ(add->datePicker()->text(), c.shown.toString(QStringLiteral("yyyy-MM-dd")));
    }

    // Saved as typed, while the box still has the focus.
    add->datePicker()->setFocus();
    QTest::keyClick(add->datePicker(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(add->datePicker(), QStringLiteral("2025-01-01"));
    QTest::keyClicks(add->amountBox(), QStringLiteral("5"));
    add->addButton()->click();
    ASSERT_EQ(entryModel().rowCount(), 4);
    EXPECT_EQ(entryModel().index(3, 0).data().toString(), QStringLiteral("2025-01-01"));

    // The modify window.
    entry::EntryScreens& screens = window_->entryActions()->screens();
    entry::EntryWindowModel model(state_, 1, state_.currentLedger.rows->values(1), "",
                                  entry::EntryPage::Modify, screens);
    ui::EntryWindowDialog dialog(window_.get(), model);
    dialog.show();
    typeWholeDate(dialog.datePicker(), QStringLiteral("2014-12-31"));
    dialog.saveButton()->click();
    EXPECT_EQ(model.outcome(), entry::EntryWindowModel::Outcome::Saved);
    EXPECT_EQ(dateToText(state_.currentLedger.rows->date(1)), "2014-12-31");

    // 查账's pickers: one day, typed into both.
    ui::QueryPage& query = *window_->queryPage();
    typeWholeDate(query.startDateEdit(), QStringLiteral("2015-05-08"));
    typeWholeDate(query.endDateEdit(), QStringLiteral("2015-05-08"));
    EXPECT_EQ(query.startDateEdit()->date(), QDate(2015, 5, 8));
    EXPECT_EQ(query.endDateEdit()->date(), QDate(2015, 5, 8));
    query.queryButton()->click();
    ASSERT_EQ(query.resultModel()->rowCount(), 1);
    EXPECT_EQ(query.resultModel()->index(0, 0).data().toString(), QStringLiteral("2015-05-08"));
}

}  // namespace
}  // namespace qinghe
