#include "entry/add_entry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/standard_messages.h"
#include "config/ini_file.h"
#include "entry/entry_action_texts.h"
#include "entry/entry_rows.h"
#include "entry/voucher_list.h"
#include "tables/schemas.h"
#include "tests/entry/entry_fixture.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
using entry::AddEntryForm;
using entry::AddEntryResult;
using testing::gbk;
using Names = std::vector<std::string>;

class AddEntryTest : public testing::EntryFlowTest {
  protected:
    AddEntryTest() : form_(entry::newAddEntryForm(state_)) {}

    AddEntryResult add() { return entry::addEntryFromForm(state_, form_, vouchers_, screens_); }

    // A form as a user fills it: a direction, an item and member typed or
    // chosen, an amount and a note.
    void fill(Direction direction, const char* item, const char* member, const std::string& amount,
              const char* note = "") {
        entry::chooseDirection(state_.settings, form_, direction);
        form_.item.text = gbk(item);
        form_.member.text = gbk(member);
        form_.amount = amount;
        form_.note = gbk(note);
    }

    AddEntryForm form_;
    entry::VoucherStripModel vouchers_;
};

TEST_F(AddEntryTest, TheWindowOpensOnTodayWithTheExpenseItemsAndNothingTyped) {
    EXPECT_EQ(form_.date, 42136.5);
    EXPECT_EQ(form_.direction, Direction::Expense);
    EXPECT_EQ(form_.item, entry::emptyNameBox(state_.settings.expenseItems));
    EXPECT_EQ(form_.member, entry::emptyNameBox(state_.settings.members));
    EXPECT_TRUE(form_.amount.empty());
    EXPECT_TRUE(form_.note.empty());

    // The direction reloads the item choices; what was typed goes.
    form_.item.text = gbk("打车");
    entry::chooseDirection(state_.settings, form_, Direction::Income);
    EXPECT_EQ(form_.item, entry::emptyNameBox(state_.settings.incomeItems));
    entry::chooseDirection(state_.settings, form_, Direction::Expense);
    EXPECT_EQ(form_.item.choices, state_.settings.expenseItems);
}

TEST_F(AddEntryTest, AnAmountIsStoredExactlyAndShownInCents) {
    fill(Direction::Expense, "餐饮", "妈妈", "12.345", "午饭");
    ASSERT_EQ(add(), AddEntryResult::Added);
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows().amount(0), 12.345);
    EXPECT_EQ(entry::entryCellText(rows(), 0, entry::kAmountColumn), "12.35");
    const auto stored = walked();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].amount, 12.345);
    EXPECT_EQ(stored[0].date, 42136.5);
    EXPECT_EQ(stored[0].direction, Direction::Expense);
    ASSERT_TRUE(state_.tables.goTo(1));
    EXPECT_EQ(store::toInteger(*state_.tables.read(tables::field::kDirection)), 2) << "as stored";
    EXPECT_EQ(stored[0].item, gbk("餐饮"));
    EXPECT_EQ(stored[0].member, gbk("妈妈"));
    EXPECT_EQ(stored[0].note, gbk("午饭"));
    EXPECT_FALSE(stored[0].hasVoucher);
    // Both lists were told of one new row, with the new totals.
    EXPECT_EQ(
        view_.changes,
        (std::vector<testing::RecordingView::Change>{{testing::RecordingView::Change::Added, 0}}));
    EXPECT_EQ(view_.labels->expense, entry::entryLabels(state_).expense);
}

TEST_F(AddEntryTest, AMissingOrWrongAmountOrNameIsRefusedAndKeepsEveryInput) {
    const struct {
        std::string amount;
        const char* item;
        std::string message;
    } cases[] = {
        {"", "餐饮", entry::kAddAmountMissing},
        {"abc", "餐饮", entry::kAmountInvalid},
        {"1e13", "餐饮", entry::kAmountInvalid},
        {"-", "餐饮", entry::kAmountInvalid},
        {"10000000000000", "餐饮", entry::kAmountInvalid},
        {"12", "午饭\n晚饭", entry::kLineBreakInName},
    };
    vouchers_.reset({"picture"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.amount);
        user_.messages.clear();
        fill(Direction::Income, c.item, "爸爸", c.amount, "note");
        const AddEntryForm typed = form_;
        EXPECT_EQ(add(), AddEntryResult::Refused);
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].text, c.message);
        EXPECT_EQ(user_.messages[0].title, texts::kErrorTitle);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(form_, typed);
        EXPECT_EQ(vouchers_.count(), 1);
    }
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(walked().empty());
    EXPECT_TRUE(view_.changes.empty());
    EXPECT_EQ(state_.settings.incomeItems, (Names{gbk("工资"), gbk("奖金")}));
}

TEST_F(AddEntryTest, NewNamesGoInFrontAndTheListsAreSavedAsTheRulesSay) {
    const fs::path items = itemsIniFile(state_.run);
    const fs::path members = membersIniFile(state_.run);
    const struct {
        const char* name;
        Direction direction;
        const char* item;
        const char* member;
        Names income, expense, memberList;
        bool membersSaved;
    } cases[] = {
        {"a new income item",
         Direction::Income,
         "奖励",
         "爸爸",
         {gbk("奖励"), gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通")},
         {gbk("爸爸"), gbk("妈妈")},
         false},
        {"known names: the items saved all the same",
         Direction::Expense,
         "交通",
         "妈妈",
         {gbk("奖励"), gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通")},
         {gbk("爸爸"), gbk("妈妈")},
         false},
        {"an empty member is unknown: saved, unchanged",
         Direction::Expense,
         "",
         "",
         {gbk("奖励"), gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通")},
         {gbk("爸爸"), gbk("妈妈")},
         true},
        {"a new member and a new expense item",
         Direction::Expense,
         "房租",
         "孩子",
         {gbk("奖励"), gbk("工资"), gbk("奖金")},
         {gbk("房租"), gbk("餐饮"), gbk("交通")},
         {gbk("孩子"), gbk("爸爸"), gbk("妈妈")},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(items);
        fs::remove(members);
        screens_.filters.clear();
        fill(c.direction, c.item, c.member, "1");
        ASSERT_EQ(add(), AddEntryResult::Added);
        EXPECT_EQ(state_.settings.incomeItems, c.income);
        EXPECT_EQ(state_.settings.expenseItems, c.expense);
        EXPECT_EQ(state_.settings.members, c.memberList);
        EXPECT_TRUE(fs::exists(items));
        EXPECT_EQ(fs::exists(members), c.membersSaved);
        const Settings reloaded = loadSettings(state_.run, clock_);
        EXPECT_EQ(reloaded.incomeItems, c.income);
        EXPECT_EQ(reloaded.expenseItems, c.expense);
        if (c.membersSaved) {
            EXPECT_EQ(reloaded.members, c.memberList);
        }
        // The choices after the reset offer the new lists; so does 查账.
        EXPECT_EQ(form_.item.choices, c.direction == Direction::Income ? c.income : c.expense);
        EXPECT_EQ(form_.member.choices, c.memberList);
        ASSERT_EQ(screens_.filters.size(), 1u);
        EXPECT_EQ(screens_.filters[0], filterChoices(state_.settings));
        ASSERT_TRUE(saveMemberList(state_.run, state_.settings));
    }
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(AddEntryTest, AnAdditionResetsTheWindowButTheDirection) {
    fill(Direction::Income, "奖金", "爸爸", "100", "年终");
    vouchers_.reset({"A", "B"});
    vouchers_.browse(-1);
    clock_.set(42140.75);
    ASSERT_EQ(add(), AddEntryResult::Added);
    AddEntryForm expected = entry::newAddEntryForm(state_);
    entry::chooseDirection(state_.settings, expected, Direction::Income);
    EXPECT_EQ(form_, expected);
    EXPECT_EQ(form_.date, 42140.75);
    EXPECT_EQ(form_.direction, Direction::Income);
    EXPECT_TRUE(vouchers_.isEmpty());
    EXPECT_EQ(vouchers_.position(), 1);
    // The entry itself kept the date the picker showed.
    EXPECT_EQ(rows().date(0), 42136.5);
}

TEST_F(AddEntryTest, VouchersAreJoinedAndFlagged) {
    const std::string first = "\xFF\xD8\xFF first picture";
    const std::string second = "\xFF\xD8\xFF second";
    fill(Direction::Expense, "餐饮", "妈妈", "8");
    vouchers_.reset({first, second});
    ASSERT_EQ(add(), AddEntryResult::Added);
    EXPECT_TRUE(rows().hasVoucher(0));
    EXPECT_EQ(entry::readVouchers(state_, 0), first + "|||" + second);
    EXPECT_TRUE(walked()[0].hasVoucher);

    fill(Direction::Expense, "餐饮", "妈妈", "9");
    ASSERT_EQ(add(), AddEntryResult::Added);
    EXPECT_FALSE(rows().hasVoucher(1));
    EXPECT_EQ(entry::readVouchers(state_, 1), "");
}

TEST_F(AddEntryTest, ALongMemberIsCutInTheRecordWhileTheListKeepsItWhole) {
    const std::string eleven = gbk("一二三四五六七八九十一");
    fill(Direction::Expense, "餐饮", "", "5");
    form_.member.text = eleven;
    ASSERT_EQ(add(), AddEntryResult::Added);
    EXPECT_EQ(rows().member(0), gbk("一二三四五六七八九十"));
    EXPECT_EQ(walked()[0].member, gbk("一二三四五六七八九十"));
    EXPECT_EQ(state_.settings.members.front(), eleven);
}

TEST_F(AddEntryTest, NamesChangedInTheSettingsMeanwhileSurviveTheNextAddition) {
    // The item dialog changed the lists while the window was open.
    state_.settings.incomeItems = {gbk("利息")};
    fill(Direction::Income, "红包", "爸爸", "66");
    EXPECT_EQ(form_.item.choices, (Names{gbk("利息")}));
    ASSERT_EQ(add(), AddEntryResult::Added);
    EXPECT_EQ(state_.settings.incomeItems, (Names{gbk("红包"), gbk("利息")}));
}

TEST_F(AddEntryTest, TheEntryGoesToTheLedgerOpenWhenAddIsPressed) {
    ASSERT_EQ(ledger::createLedger(state_, gbk("旅行"), ""), ledger::CreateLedgerResult::Created);
    fill(Direction::Expense, "交通", "爸爸", "300");
    ASSERT_EQ(ledger::openLedger(state_, 2, view_), ledger::OpenLedgerResult::Opened);
    ASSERT_EQ(add(), AddEntryResult::Added);
    EXPECT_TRUE(walked("家庭").empty());
    EXPECT_EQ(walked("旅行").size(), 1u);

    // Deleted meanwhile: no ledger is open any more.
    user_.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(ledger::deleteLedger(state_, 2, view_));
    user_.messages.clear();
    fill(Direction::Expense, "交通", "爸爸", "300");
    EXPECT_EQ(add(), AddEntryResult::Refused);
    EXPECT_EQ(messageTexts(), std::vector<std::string>{entry::kNoLedgerOpen});
}

TEST_F(AddEntryTest, AListThatCannotBeSavedIsToldButTheEntryStays) {
    const fs::path items = itemsIniFile(state_.run);
    fs::remove(items);
    fs::create_directories(items / "blocked");
    fill(Direction::Income, "奖励", "爸爸", "10");
    EXPECT_EQ(add(), AddEntryResult::Added);
    EXPECT_EQ(rows().size(), 1u);
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
    EXPECT_NE(user_.messages[0].text.find(pathToGbk(items)), std::string::npos);
    EXPECT_EQ(state_.settings.incomeItems.front(), gbk("奖励"));
}

TEST_F(AddEntryTest, LeavingTheWindowRefillsTheFilterChoices) {
    entry::leaveAddEntryWindow(state_, screens_);
    ASSERT_EQ(screens_.filters.size(), 1u);
    EXPECT_EQ(screens_.filters[0], filterChoices(state_.settings));
}

}  // namespace
}  // namespace qinghe
