#include <gtest/gtest.h>

#include "common/temporary_folder.h"
#include "entry/entry_list.h"
#include "entry/entry_texts.h"
#include "ledger/ledger_lifecycle.h"
#include "tests/support/ledger_data.h"
#include "tests/support/recording_view.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

using testing::gbk;
using testing::TestEntry;

TEST(EntryCellText, ShowsEachColumnAsTheListDoes) {
    struct Case {
        EntryValues row;
        int column;
        std::string text;
    };
    const Case cases[] = {
        {{.date = 42136.99, .item = "", .member = "", .note = ""},
         entry::kDateColumn,
         "2015-05-12"},
        {{.date = -657434}, entry::kDateColumn, "100-01-01"},
        {{.direction = Direction::Income}, entry::kDirectionColumn, entry::kIncomeText},
        {{.direction = Direction::Expense}, entry::kDirectionColumn, entry::kExpenseText},
        {{.direction = directionFromStored(0)}, entry::kDirectionColumn, entry::kExpenseText},
        {{.direction = directionFromStored(3)}, entry::kDirectionColumn, entry::kExpenseText},
        {{.amount = 12.345}, entry::kAmountColumn, "12.35"},
        {{.amount = 2.5}, entry::kAmountColumn, "2.5"},
        {{.amount = 100}, entry::kAmountColumn, "100"},
        {{.amount = -0.005}, entry::kAmountColumn, "-0.01"},
        {{.amount = 2345678.91}, entry::kAmountColumn, "2345678.91"},
        {{.hasVoucher = true}, entry::kVoucherColumn, entry::kYesText},
        {{.hasVoucher = false}, entry::kVoucherColumn, entry::kNoText},
        {{.item = "a", .member = "b", .note = "c"}, entry::kNoteColumn, "c"},
        {{.item = ""}, entry::kItemColumn, ""},
    };
    for (const Case& c : cases) {
        LedgerRows rows;
        rows.append(c.row);
        EXPECT_EQ(entry::entryCellText(rows, 0, c.column), c.text) << "column " << c.column;
    }
}

class EntryListTest : public ::testing::Test {
  protected:
    EntryListTest() : state_(RunDirectory(folder_.path()), files_, clock_, user_) {
        EXPECT_EQ(ledger::createLedger(state_, gbk("家庭"), ""),
                  ledger::CreateLedgerResult::Created);
        state_.currentLedger.name = gbk("家庭");
        state_.currentLedger.saveTo = gbk("\\data\\家庭.edb");
        table_ = *entry::currentLedgerTable(state_);
    }

    // Reads the ledger anew, as opening it does.
    void reopen() { state_.currentLedger.rows.reset(); }
    void fill() {
        reopen();
        entry::fillEntryList(state_, view_);
    }

    TemporaryFolder folder_;
    store::PosixFileSystem files_;
    FixedClock clock_{42136.5};
    testing::ScriptedUser user_;
    AppState state_;
    testing::RecordingView view_;
    std::filesystem::path table_;
};

TEST_F(EntryListTest, EmptyLedgerShowsZeroTotalsAndTheRoundedInitialAmount) {
    state_.settings.startDate = 42005;  // 2015-01-01
    state_.settings.initialAmount = 1000.005;
    entry::fillEntryAndQueryLists(state_, view_);
    EXPECT_TRUE(view_.entries->empty());
    EXPECT_TRUE(view_.queryRows->empty());
    const entry::EntryLabels& labels = *view_.labels;
    EXPECT_EQ(labels.ledger, gbk("当前账簿：  家庭"));
    EXPECT_EQ(labels.startDate, gbk("起算日期：2015-01-01"));
    EXPECT_EQ(labels.initialAmount, gbk("初始金额：1000.01"));
    EXPECT_EQ(labels.income, gbk("累计收入：0"));
    EXPECT_EQ(labels.expense, gbk("累计支出：0"));
    EXPECT_EQ(labels.balance, gbk("当前余额：1000.01"));
}

TEST_F(EntryListTest, TotalsKeepTheCents) {
    state_.settings.initialAmount = 2345678.25;
    ASSERT_TRUE(testing::appendEntries(state_, table_,
                                       {{.direction = 1, .amount = 2345678.91},
                                        {.direction = 1, .amount = 0.1},
                                        {.direction = 1, .amount = 0.2},
                                        {.direction = 1, .amount = 0.3},
                                        {.direction = 0, .amount = 1.1},
                                        {.direction = 3, .amount = 2.2}}));
    fill();
    EXPECT_EQ(view_.labels->income, gbk("累计收入：2345679.51"));
    EXPECT_EQ(view_.labels->expense, gbk("累计支出：3.3"));
    EXPECT_EQ(view_.labels->balance, gbk("当前余额：4691354.46"));
}

TEST_F(EntryListTest, RowsFollowRecordOrderWithTheirRecordNumbersAndValues) {
    ASSERT_TRUE(testing::appendEntries(
        state_, table_,
        {{.date = 42136,
          .direction = 1,
          .item = gbk("工资"),
          .amount = 8500,
          .member = gbk("爸爸"),
          .note = gbk("五月"),
          .hasVoucher = true},
         {.date = 41000, .direction = 2, .item = gbk("餐饮"), .amount = 86.5},
         {.date = 42500,
          .direction = 2,
          .item = gbk("一二三四五六七八九十一二三四五六七八九十一二三四五六")}}));
    reopen();
    entry::fillEntryAndQueryLists(state_, view_);
    const LedgerRows& rows = *view_.entries;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.item(0), gbk("工资"));
    EXPECT_EQ(rows.member(0), gbk("爸爸"));
    EXPECT_EQ(rows.note(0), gbk("五月"));
    EXPECT_TRUE(rows.hasVoucher(0));
    EXPECT_EQ(rows.date(1), 41000);
    // The item field holds 50 bytes: cut on a character boundary.
    EXPECT_EQ(rows.item(2), gbk("一二三四五六七八九十一二三四五六七八九十一二三四五"));
    // Both lists show the same rows; the table is left current, on its first record.
    EXPECT_EQ(view_.queryRows, view_.entries);
    EXPECT_EQ(state_.tables.recordNumber(), 1);
}

TEST_F(EntryListTest, QueryFillTouchesNoLabels) {
    ASSERT_TRUE(testing::appendEntries(state_, table_, {{.direction = 1, .amount = 5}}));
    entry::fillQueryList(state_, view_);
    EXPECT_EQ(view_.queryRows->size(), 1u);
    EXPECT_FALSE(view_.labels);
    EXPECT_FALSE(view_.entries);
}

TEST_F(EntryListTest, UnreadableTableShowsNothingInsteadOfAnotherTable) {
    ASSERT_TRUE(testing::appendEntries(state_, table_, {{.amount = 5}}));
    const auto other = folder_ / "data/other.edb";
    std::filesystem::copy_file(folder_ / "books/books.edb", other);  // no entry fields
    state_.currentLedger.saveTo = "\\data\\other.edb";
    fill();
    EXPECT_TRUE(view_.entries->empty());
    state_.currentLedger.saveTo = "\\data\\none.edb";
    fill();
    EXPECT_TRUE(view_.entries->empty());
    EXPECT_EQ(user_.endCalls, 0);
}

TEST_F(EntryListTest, NoCurrentLedgerHasNoTable) {
    state_.currentLedger.saveTo.clear();
    EXPECT_FALSE(entry::currentLedgerTable(state_));
    state_.currentLedger.saveTo = "\\data\\..\\..\\etc\\passwd";
    EXPECT_FALSE(entry::currentLedgerTable(state_));
}

}  // namespace
}  // namespace qinghe
