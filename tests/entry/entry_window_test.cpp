#include "entry/entry_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "entry/entry_action_texts.h"
#include "entry/entry_rows.h"
#include "entry/voucher_list.h"
#include "tests/entry/entry_fixture.h"

namespace qinghe {
namespace {

using entry::EntryOpener;
using entry::EntryWindowModel;
using Outcome = EntryWindowModel::Outcome;
using testing::gbk;
using Names = std::vector<std::string>;

// What a visit of the window does with it.
using Visit = std::function<void(EntryWindowModel&)>;

class EntryWindowTest : public testing::EntryFlowTest {
  protected:
    EntryWindowTest() {
        addEntries({
            {.date = 42130.25,
             .direction = Direction::Income,
             .item = gbk("工资"),
             .amount = 8500,
             .member = gbk("爸爸"),
             .note = gbk("五月")},
            {.date = 42131,
             .direction = Direction::Expense,
             .item = gbk("旧项目"),
             .amount = 12.345,
             .member = gbk("外婆"),
             .note = gbk("午饭")},
            {.date = 42132,
             .direction = Direction::Expense,
             .item = gbk("交通"),
             .amount = 3,
             .member = ""},
        });
    }

    // Opens the window on `row` and does `visit` in it; what the visit saw
    // of the window stays in `seen_`.
    std::optional<Outcome> open(std::optional<std::size_t> row, EntryOpener opener,
                                const Visit& visit = {}) {
        user_.windowVisits.push_back([this, visit](WindowKind kind, WindowModel& model) {
            EXPECT_EQ(kind, WindowKind::Entry);
            auto& window = dynamic_cast<EntryWindowModel&>(model);
            seen_.push_back(Seen{window.startPage(), window.viewTexts(), window.form(),
                                 window.vouchers().vouchers()});
            if (visit) visit(window);
        });
        auto outcome = entry::openEntryWindow(state_, row, opener, screens_);
        if (!outcome) user_.windowVisits.pop_back();
        return outcome;
    }

    static Visit saving(const std::function<void(entry::EntryForm&)>& edit = {}) {
        return [edit](EntryWindowModel& window) {
            if (edit) edit(window.form());
            EXPECT_TRUE(window.save());
        };
    }

    struct Seen {
        entry::EntryPage page;
        entry::EntryViewTexts view;
        entry::EntryForm form;
        entry::VoucherList vouchers;
    };
    std::vector<Seen> seen_;
};

TEST_F(EntryWindowTest, ItShowsTheEntryOnBothPages) {
    ASSERT_EQ(open(1, EntryOpener::EntryList), Outcome::None);
    ASSERT_EQ(seen_.size(), 1u);
    const Seen& seen = seen_[0];
    EXPECT_EQ(seen.page, entry::EntryPage::View);
    EXPECT_EQ(seen.view.date, gbk("时间：  2015-05-07"));
    EXPECT_EQ(seen.view.direction, gbk("收支方向：  支出"));
    EXPECT_EQ(seen.view.item, gbk("项目：  旧项目"));
    EXPECT_EQ(seen.view.member, gbk("成员：  外婆"));
    EXPECT_EQ(seen.view.amount, gbk("金额：  12.35"));
    EXPECT_EQ(seen.view.note, gbk("午饭"));
    EXPECT_EQ(seen.form.date, 42131);
    EXPECT_EQ(seen.form.direction, Direction::Expense);
    EXPECT_EQ(seen.form.amount, "12.35");
    EXPECT_EQ(seen.form.note, gbk("午饭"));
    // Neither name is in its list: shown as typed, nothing selected.
    EXPECT_EQ(seen.form.item, (entry::NameBox{state_.settings.expenseItems, -1, gbk("旧项目")}));
    EXPECT_EQ(seen.form.member, (entry::NameBox{state_.settings.members, -1, gbk("外婆")}));
    EXPECT_TRUE(seen.vouchers.empty());

    ASSERT_EQ(open(0, EntryOpener::Modify), Outcome::None);
    EXPECT_EQ(seen_[1].page, entry::EntryPage::Modify);
    EXPECT_EQ(seen_[1].view.direction, gbk("收支方向：  收入"));
    EXPECT_EQ(seen_[1].form.item, (entry::NameBox{state_.settings.incomeItems, 0, gbk("工资")}));
    EXPECT_EQ(seen_[1].form.member.selected, 0);
    EXPECT_EQ(seen_[1].form.date, 42130.25);

    // No row selected, or none there: no window.
    EXPECT_EQ(open(std::nullopt, EntryOpener::Modify), std::nullopt);
    EXPECT_EQ(open(3, EntryOpener::EntryList), std::nullopt);
    EXPECT_EQ(user_.windowKinds.size(), 2u);
}

TEST_F(EntryWindowTest, LeavingWithoutSavingChangesNothing) {
    const auto before = walked();
    const struct {
        const char* name;
        Visit visit;
        Outcome outcome;
        std::size_t filterRefreshes;
    } cases[] = {
        {"确定 after viewing", [](EntryWindowModel& w) { w.cancel(); }, Outcome::Cancelled, 0},
        {"取消 after editing",
         [](EntryWindowModel& w) {
             w.form().amount = "99";
             w.cancel();
         },
         Outcome::Cancelled, 0},
        {"the close control", {}, Outcome::None, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screens_.filters.clear();
        EXPECT_EQ(open(1, EntryOpener::EntryList, c.visit), c.outcome);
        EXPECT_EQ(screens_.filters.size(), c.filterRefreshes);
        EXPECT_EQ(walked(), before);
        EXPECT_TRUE(view_.changes.empty());
        EXPECT_TRUE(screens_.entrySelections.empty());
    }
}

TEST_F(EntryWindowTest, AnUntouchedAmountKeepsEveryDigitATypedOneIsTakenAsTyped) {
    const struct {
        const char* typed;  // null: left as shown
        double stored;
    } cases[] = {
        {nullptr, 12.345}, {"12.3450", 12.345},
        {"12.35", 12.35},  // typed again, even as shown: what the user meant
        {"20.5", 20.5},    {"0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "untouched");
        ASSERT_TRUE(entry::changeEntry(state_, 1, {.date = 42131, .amount = 12.345}, {}, &view_));
        EXPECT_EQ(open(1, EntryOpener::Modify,
                       [&](EntryWindowModel& window) {
                           if (c.typed) {
                               window.form().amount = c.typed;
                               window.form().amountTyped = true;
                           }
                           EXPECT_TRUE(window.save());
                       }),
                  Outcome::Saved);
        EXPECT_EQ(rows().amount(1), c.stored);
        EXPECT_EQ(walked()[1].amount, c.stored);
    }
}

TEST_F(EntryWindowTest, AnEmptyOrWrongAmountKeepsTheWindowOpenAndChangesNothing) {
    const auto before = walked();
    const struct {
        const char* typed;
        std::string message;
    } cases[] = {
        {"", entry::kModifyAmountMissing},
        {"12x", entry::kAmountInvalid},
        {"5e20", entry::kAmountInvalid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        user_.messages.clear();
        EXPECT_EQ(open(1, EntryOpener::Modify,
                       [&](EntryWindowModel& window) {
                           window.form().amount = c.typed;
                           EXPECT_FALSE(window.save());
                           EXPECT_EQ(window.outcome(), Outcome::None);
                           EXPECT_EQ(window.form().amount, c.typed);
                       }),
                  Outcome::None);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(walked(), before);
    }
}

TEST_F(EntryWindowTest, SavingWritesTheRecordInItsPlaceAndSelectsItsRowAgain) {
    ASSERT_EQ(open(1, EntryOpener::EntryList, saving([](entry::EntryForm& form) {
                       form.date = 42200.5;
                       form.direction = Direction::Income;
                       form.item.text = gbk("奖金");
                       form.member.text = gbk("妈妈");
                       form.amount = "66.6";
                       form.note = gbk("红包");
                   })),
              Outcome::Saved);
    const EntryValues expected{.date = 42200.5,
                               .direction = Direction::Income,
                               .item = gbk("奖金"),
                               .amount = 66.6,
                               .member = gbk("妈妈"),
                               .note = gbk("红包")};
    const auto stored = walked();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1], expected);
    EXPECT_EQ(stored[0].item, gbk("工资"));
    EXPECT_EQ(stored[2].item, gbk("交通"));
    EXPECT_EQ(testing::allValues(rows()), stored);
    EXPECT_EQ(view_.changes, (std::vector<testing::RecordingView::Change>{
                                 {testing::RecordingView::Change::Changed, 1}}));
    EXPECT_EQ(screens_.entrySelections, std::vector<std::size_t>{1});
    EXPECT_TRUE(screens_.querySelections.empty());
    EXPECT_EQ(screens_.queryRefreshes, 0);
    EXPECT_EQ(screens_.filters.size(), 1u);
    EXPECT_EQ(view_.labels->income, entry::entryLabels(state_).income);
}

TEST_F(EntryWindowTest, SavingFromTheQueryListMakesThatListAgain) {
    ASSERT_EQ(open(2, EntryOpener::QueryList, saving()), Outcome::Saved);
    EXPECT_EQ(screens_.queryRefreshes, 1);
    EXPECT_EQ(screens_.querySelections, std::vector<std::size_t>{2});
    EXPECT_TRUE(screens_.entrySelections.empty());
    // Until there is a query: every entry.
    EXPECT_EQ(view_.queryRows, state_.currentLedger.rows);
}

TEST_F(EntryWindowTest, ItemAndMemberListsFollowWhatWasSaved) {
    // Saved unchanged, a name no longer in its list goes back in front of it.
    ASSERT_EQ(open(1, EntryOpener::Modify, saving()), Outcome::Saved);
    EXPECT_EQ(state_.settings.expenseItems, (Names{gbk("旧项目"), gbk("餐饮"), gbk("交通")}));
    EXPECT_EQ(state_.settings.members, (Names{gbk("外婆"), gbk("爸爸"), gbk("妈妈")}));
    EXPECT_EQ(loadSettings(state_.run, clock_).expenseItems, state_.settings.expenseItems);
    EXPECT_EQ(loadSettings(state_.run, clock_).members, state_.settings.members);

    // From 收入 to 支出: the choices stay the income items, and the income
    // item chosen joins the expense list only.
    const Names income = state_.settings.incomeItems;
    ASSERT_EQ(open(0, EntryOpener::Modify, saving([&](entry::EntryForm& form) {
                       form.direction = Direction::Expense;
                       EXPECT_EQ(form.item.choices, income);
                       form.item = entry::nameBoxShowing(form.item.choices, gbk("奖金"));
                   })),
              Outcome::Saved);
    EXPECT_EQ(state_.settings.incomeItems, income);
    EXPECT_EQ(state_.settings.expenseItems.front(), gbk("奖金"));
    EXPECT_EQ(rows().direction(0), Direction::Expense);

    // An empty member is unknown: the list is saved, unchanged.
    const Names members = state_.settings.members;
    std::filesystem::remove(membersIniFile(state_.run));
    ASSERT_EQ(open(2, EntryOpener::Modify, saving()), Outcome::Saved);
    EXPECT_EQ(state_.settings.members, members);
    EXPECT_TRUE(std::filesystem::exists(membersIniFile(state_.run)));
}

TEST_F(EntryWindowTest, VouchersDeletedOnModifyAreSavedInTheirOrder) {
    const entry::VoucherList images = {"\xFF\xD8\xFF one", "\xFF\xD8\xFF two",
                                       "\xFF\xD8\xFF three"};
    ASSERT_TRUE(entry::changeEntry(state_, 2, {.date = 42132, .amount = 3, .hasVoucher = true},
                                   entry::joinVouchers(images), &view_));
    ASSERT_EQ(open(2, EntryOpener::Modify,
                   [](EntryWindowModel& window) {
                       EXPECT_EQ(window.vouchers().position(), 1);
                       window.vouchers().browse(-1);  // the second
                       EXPECT_TRUE(entry::deleteShownVoucher(window.user(), window.vouchers()));
                       EXPECT_TRUE(window.save());
                   }),
              Outcome::Saved);
    EXPECT_EQ(seen_[0].vouchers, images);
    EXPECT_EQ(entry::readVouchers(state_, 2), entry::joinVouchers({images[0], images[2]}));
    EXPECT_TRUE(rows().hasVoucher(2));

    // Every picture deleted: the flag goes too.
    ASSERT_EQ(open(2, EntryOpener::Modify,
                   [](EntryWindowModel& window) {
                       while (entry::deleteShownVoucher(window.user(), window.vouchers())) {
                       }
                       EXPECT_TRUE(window.save());
                   }),
              Outcome::Saved);
    EXPECT_EQ(entry::readVouchers(state_, 2), "");
    EXPECT_FALSE(rows().hasVoucher(2));
    EXPECT_FALSE(walked()[2].hasVoucher);
}

TEST_F(EntryWindowTest, VouchersLeftAloneAreKept) {
    const std::string stored = "\xFF\xD8\xFF a|||\xFF\xD8\xFF b";
    ASSERT_TRUE(entry::changeEntry(state_, 0, {.date = 42130, .amount = 1, .hasVoucher = true},
                                   stored, &view_));
    ASSERT_EQ(open(0, EntryOpener::Modify,
                   saving([](entry::EntryForm& form) { form.note = "new note"; })),
              Outcome::Saved);
    EXPECT_EQ(entry::readVouchers(state_, 0), stored);
    EXPECT_TRUE(rows().hasVoucher(0));
    EXPECT_EQ(rows().note(0), "new note");
}

}  // namespace
}  // namespace qinghe
