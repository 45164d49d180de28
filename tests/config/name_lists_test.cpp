#include "config/name_lists.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/standard_messages.h"
#include "common/temporary_folder.h"
#include "config/ini_file.h"
#include "config/name_list_texts.h"
#include "config/settings_texts.h"
#include "tests/support/scripted_user.h"

namespace qinghe {
namespace {

namespace fs = std::filesystem;
namespace texts_ = name_list_texts;
using Names = std::vector<std::string>;

std::string gbk(const char* utf8) {
    return utf8ToGbk(utf8).value();
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Keeps what the 查账 page was last offered.
struct RecordingFilters final : FilterChoicesView {
    void showFilterChoices(const FilterChoices& choices) override { shown.push_back(choices); }
    std::vector<FilterChoices> shown;
};

// A press in one of the dialogs, as a user makes it.
using Press = std::function<void(NameListsModel&)>;

Press addTo(std::size_t list) {
    return [list](NameListsModel& dialog) { dialog.add(list); };
}
Press removeFrom(std::size_t list, std::optional<std::size_t> line) {
    return [list, line](NameListsModel& dialog) { dialog.removeLine(list, line); };
}
Press clearList(std::size_t list) {
    return [list](NameListsModel& dialog) { dialog.clear(list); };
}
const Press kAccept = [](NameListsModel& dialog) { dialog.accept(); };
const Press kCancel = [](NameListsModel& dialog) { dialog.cancel(); };

class NameListsTest : public ::testing::Test {
  protected:
    NameListsTest() {
        settings_ = loadSettings(run_, clock_);
        settings_.incomeItems = {gbk("工资"), gbk("奖金")};
        settings_.expenseItems = {gbk("餐饮"), gbk("交通"), gbk("餐饮")};
        settings_.members = {gbk("爸爸"), "", gbk("妈妈")};
        EXPECT_TRUE(saveItemLists(run_, settings_));
        EXPECT_TRUE(saveMemberList(run_, settings_));
    }

    SettingsPageContext page() { return {run_, settings_, user_, autostart_}; }

    // One visit of the dialog with these presses, and what it saw.
    void visit(std::vector<Press> presses) {
        user_.windowVisits.push_back([this, presses](WindowKind kind, WindowModel& model) {
            kinds_.push_back(kind);
            auto& dialog = dynamic_cast<NameListsModel&>(model);
            for (const Press& press : presses) press(dialog);
            lastLines_.clear();
            for (std::size_t list = 0; list < dialog.listCount(); ++list)
                lastLines_.push_back(dialog.lines(list));
        });
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const Message& message : user_.messages) texts.push_back(message.text);
        return texts;
    }

    TemporaryFolder folder_;
    RunDirectory run_{folder_.path()};
    FixedClock clock_{42136.5};
    testing::ScriptedUser user_;
    AutostartPlaces autostart_{folder_ / "autostart", folder_ / "qinghe"};
    Settings settings_;
    RecordingFilters filters_;
    std::vector<WindowKind> kinds_;
    std::vector<Names> lastLines_;
};

TEST_F(NameListsTest, FilterChoicesStartWithAllThenIncomeBeforeExpense) {
    const FilterChoices choices = filterChoices(settings_);
    EXPECT_EQ(choices.members, (Names{texts_::kAllChoice, gbk("爸爸"), "", gbk("妈妈")}));
    EXPECT_EQ(choices.items, (Names{texts_::kAllChoice, gbk("工资"), gbk("奖金"), gbk("餐饮"),
                                    gbk("交通"), gbk("餐饮")}));
    Settings empty;
    EXPECT_EQ(filterChoices(empty).items, Names{texts_::kAllChoice});
    EXPECT_EQ(filterChoices(empty).members, Names{texts_::kAllChoice});
}

TEST_F(NameListsTest, ANewNameGoesInFrontOnlyWhenUnknownAndNotEmpty) {
    const struct {
        const char* name;
        bool added;
        Names after;
    } cases[] = {
        {"奖金", true, {gbk("奖金"), gbk("餐饮"), gbk("交通")}},
        {"交通", false, {gbk("餐饮"), gbk("交通")}},
        {"", false, {gbk("餐饮"), gbk("交通")}},
        {"交通 ", true, {gbk("交通 "), gbk("餐饮"), gbk("交通")}},  // bytes, not trimmed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Names names = {gbk("餐饮"), gbk("交通")};
        EXPECT_EQ(putNameInFront(names, gbk(c.name)), c.added);
        EXPECT_EQ(names, c.after);
    }
}

TEST_F(NameListsTest, ItemDialogKeepsWhatItWasLeftWithOnlyOnOk) {
    const std::string before = fileText(itemsIniFile(run_));
    const struct {
        const char* name;
        std::vector<Press> presses;
        std::deque<std::optional<std::string>> typed;
        Names income, expense;  // the lists afterwards
        std::vector<std::string> messages;
    } cases[] = {
        {"add to both, OK",
         {addTo(0), addTo(1), kAccept},
         {gbk("理财"), gbk("房租")},
         {gbk("工资"), gbk("奖金"), gbk("理财")},
         {gbk("餐饮"), gbk("交通"), gbk("餐饮"), gbk("房租")},
         {texts_::kItemListsSaved}},
        {"add and delete, then cancel",
         {addTo(0), removeFrom(1, 0), kCancel},
         {gbk("理财")},
         {gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通"), gbk("餐饮")},
         {texts_::kDeleteNameQuestion}},
        {"add, then the close control",
         {addTo(0)},
         {gbk("理财")},
         {gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通"), gbk("餐饮")},
         {}},
        {"an empty name is refused, a cancelled box adds nothing",
         {addTo(0), addTo(0), kAccept},
         {"", std::nullopt},
         {gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通"), gbk("餐饮")},
         {texts_::kEmptyItemName, texts_::kItemListsSaved}},
        {"no selected line, an empty list: no question",
         {clearList(0), removeFrom(0, std::nullopt), clearList(0), removeFrom(1, 7), kAccept},
         {},
         {},
         {gbk("餐饮"), gbk("交通"), gbk("餐饮")},
         {texts_::kClearItemsQuestion, texts_::kItemListsSaved}},
        {"the second of two equal names deleted",
         {removeFrom(1, 2), kAccept},
         {},
         {gbk("工资"), gbk("奖金")},
         {gbk("餐饮"), gbk("交通")},
         {texts_::kDeleteNameQuestion, texts_::kItemListsSaved}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Settings kept = settings_;
        user_.messages.clear();
        user_.texts = c.typed;
        filters_.shown.clear();
        visit(c.presses);
        const bool accepted =
            c.messages.empty() ? false : c.messages.back() == texts_::kItemListsSaved;
        EXPECT_EQ(editItemLists(page(), filters_), accepted);
        EXPECT_EQ(settings_.incomeItems, c.income);
        EXPECT_EQ(settings_.expenseItems, c.expense);
        EXPECT_EQ(messageTexts(), c.messages);
        // The file holds what memory holds; left without OK it is untouched.
        if (!accepted) {
            EXPECT_EQ(fileText(itemsIniFile(run_)), before);
        }
        const Settings reloaded = loadSettings(run_, clock_);
        EXPECT_EQ(reloaded.incomeItems, c.income);
        EXPECT_EQ(reloaded.expenseItems, c.expense);
        // The 查账 page offers the lists as they are, from "全部" on.
        ASSERT_EQ(filters_.shown.size(), 1u);
        EXPECT_EQ(filters_.shown[0], filterChoices(settings_));
        settings_ = kept;
        ASSERT_TRUE(saveItemLists(run_, settings_));
    }
    EXPECT_EQ(kinds_.size(), std::size(cases));
    for (WindowKind kind : kinds_) EXPECT_EQ(kind, WindowKind::ItemLists);
}

TEST_F(NameListsTest, ItemDialogQuestionsAndTheirAnswers) {
    user_.texts = {gbk("理财")};
    user_.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel, MessageAnswer::Ok};
    visit({addTo(0), removeFrom(0, 0), clearList(1), clearList(0), kAccept});
    EXPECT_TRUE(editItemLists(page(), filters_));
    ASSERT_EQ(user_.textRequests.size(), 1u);
    EXPECT_EQ(user_.textRequests[0].title, texts_::kAddNameTitle);
    EXPECT_EQ(user_.textRequests[0].prompt, texts_::kItemPrompt);
    EXPECT_EQ(user_.textRequests[0].initial, "");
    ASSERT_EQ(user_.messages.size(), 4u);
    EXPECT_EQ(user_.messages[0].text, texts_::kDeleteNameQuestion);
    EXPECT_EQ(user_.messages[0].title, texts_::kDeleteTitle);
    EXPECT_EQ(user_.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(user_.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(user_.messages[1].title, texts_::kClearTitle);
    EXPECT_EQ(user_.messages[3].title, texts::kSuccessTitle);
    EXPECT_EQ(user_.messages[3].icon, MessageIcon::Information);
    EXPECT_TRUE(settings_.incomeItems.empty());
    EXPECT_EQ(settings_.expenseItems.size(), 3u);
}

TEST_F(NameListsTest, BothListsEmptiedStoreNumberZero) {
    user_.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    visit({clearList(0), clearList(1), kAccept});
    EXPECT_TRUE(editItemLists(page(), filters_));
    EXPECT_EQ(readIniString(itemsIniFile(run_), "list1", "number", "?"), "0");
    EXPECT_EQ(readIniString(itemsIniFile(run_), "list2", "number", "?"), "0");
}

TEST_F(NameListsTest, ReopeningStartsWithoutTheLastOutcome) {
    visit({kAccept});
    EXPECT_TRUE(editItemLists(page(), filters_));
    user_.texts = {gbk("理财")};
    visit({addTo(0)});  // then the close control
    EXPECT_FALSE(editItemLists(page(), filters_));
    EXPECT_EQ(settings_.incomeItems, (Names{gbk("工资"), gbk("奖金")}));
}

TEST_F(NameListsTest, MemberDialogHidesEmptyNamesAndKeepsNone) {
    user_.texts = {gbk("孩子"), ""};
    // The error takes an answer too.
    user_.answers = {MessageAnswer::Ok, MessageAnswer::Cancel};
    visit({addTo(0), addTo(0), clearList(0), kAccept});
    EXPECT_TRUE(editMemberList(page(), filters_));
    ASSERT_EQ(lastLines_.size(), 1u);
    EXPECT_EQ(lastLines_[0], (Names{gbk("爸爸"), gbk("妈妈"), gbk("孩子")}));
    EXPECT_EQ(settings_.members, lastLines_[0]);
    EXPECT_EQ(kinds_, std::vector<WindowKind>{WindowKind::MemberList});
    EXPECT_EQ(user_.textRequests.at(0).title, texts_::kAddMemberTitle);
    EXPECT_EQ(user_.textRequests.at(0).prompt, texts_::kMemberPrompt);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{texts_::kEmptyMemberName, texts_::kClearMembersQuestion,
                                        texts_::kMemberListSaved}));
    EXPECT_EQ(readIniString(membersIniFile(run_), "list", "number", "?"), "3");
    EXPECT_EQ(loadSettings(run_, clock_).members, settings_.members);
}

TEST_F(NameListsTest, MemberDialogLeftWithoutOkChangesNothing) {
    const std::string before = fileText(membersIniFile(run_));
    for (const Press& leave : {kCancel, Press{}}) {
        user_.texts = {gbk("孩子")};
        visit(leave ? std::vector<Press>{addTo(0), leave} : std::vector<Press>{addTo(0)});
        EXPECT_FALSE(editMemberList(page(), filters_));
        EXPECT_EQ(settings_.members, (Names{gbk("爸爸"), "", gbk("妈妈")}));
        EXPECT_EQ(fileText(membersIniFile(run_)), before);
    }
    EXPECT_EQ(filters_.shown.size(), 2u);
}

TEST_F(NameListsTest, AFileThatCannotBeWrittenIsToldAndNotCalledSaved) {
    const struct {
        fs::path file;
        std::function<bool()> edit;
    } cases[] = {
        {itemsIniFile(run_), [&] { return editItemLists(page(), filters_); }},
        {membersIniFile(run_), [&] { return editMemberList(page(), filters_); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        fs::remove(c.file);
        fs::create_directories(c.file / "blocked");
        user_.messages.clear();
        user_.texts = {gbk("新的")};
        visit({addTo(0), kAccept});
        EXPECT_FALSE(c.edit());
        ASSERT_EQ(user_.messages.size(), 1u);
        EXPECT_EQ(user_.messages[0].icon, MessageIcon::Error);
        EXPECT_EQ(user_.messages[0].text.rfind(settings_texts::kSettingsNotSaved, 0), 0u);
        EXPECT_NE(user_.messages[0].text.find(pathToGbk(c.file)), std::string::npos);
    }
    // Memory keeps the new lists for the rest of the run.
    EXPECT_EQ(settings_.incomeItems.back(), gbk("新的"));
    EXPECT_EQ(settings_.members.back(), gbk("新的"));
}

}  // namespace
}  // namespace qinghe
