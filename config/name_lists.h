#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/run_directory.h"
#include "common/user_interaction.h"
#include "config/settings.h"
#include "config/settings_actions.h"

namespace qinghe {

// The item and member lists (incomeItems, expenseItems, members of the
// settings): the filter choices of the 查账 page made from them, the two
// dialogs that edit them, and the rule by which the entry windows add a name.

// The choices of "成员范围：" and "项目范围：" on the 查账 page, each starting
// with "全部": the members in order; the income items, then the expense items.
struct FilterChoices {
    std::vector<std::string> members;
    std::vector<std::string> items;
    friend bool operator==(const FilterChoices&, const FilterChoices&) = default;
};

FilterChoices filterChoices(const Settings& settings);

// Where the filter choices are shown (the 查账 page).
class FilterChoicesView {
  public:
    virtual ~FilterChoicesView() = default;
    // Replaces both lists of choices and selects the first ("全部") of each.
    virtual void showFilterChoices(const FilterChoices& choices) = 0;
};

// refreshFilterChoices: the view shows the choices of the lists in memory.
inline void refreshFilterChoices(const Settings& settings, FilterChoicesView& view) {
    view.showFilterChoices(filterChoices(settings));
}

// A name typed in an entry window: when it is not in `names` (compared byte
// for byte) and not empty, it goes in front of them. True when it went in.
bool putNameInFront(std::vector<std::string>& names, const std::string& name);

// saveItemLists and saveMemberList, telling the user (naming the file) when
// the file could not be written. The lists in memory keep what they hold.
bool saveItemListsOrTell(const RunDirectory& run, const Settings& settings, UserInteraction& user);
bool saveMemberListOrTell(const RunDirectory& run, const Settings& settings, UserInteraction& user);

// The dialog "设定收支项目" (two lists: income, then expense) or "家庭成员设定"
// (one list) while it is open: the lines of its list boxes, changed by its
// buttons, and how it was left.
class NameListsModel final : public WindowModel {
  public:
    enum class Kind { Items, Members };
    enum class Outcome {
        None,       // closed by the window's close control
        Accepted,   // "确定"
        Cancelled,  // "取消"
    };
    static constexpr std::size_t kIncomeList = 0;
    static constexpr std::size_t kExpenseList = 1;

    // The list boxes start with `lists`: for the member dialog without its
    // empty names.
    NameListsModel(Kind kind, std::vector<std::vector<std::string>> lists, UserInteraction& user);

    Kind kind() const { return kind_; }
    std::size_t listCount() const { return lists_.size(); }
    const std::vector<std::string>& lines(std::size_t list) const { return lists_.at(list); }
    Outcome outcome() const { return outcome_; }

    // "添加" of a list: the input box "添加项目"; a confirmed name goes at the
    // end as typed, a confirmed empty one is refused with a message. True
    // when a line was added.
    bool add(std::size_t list);
    // "删除": without a selected line nothing happens; otherwise asks, and on
    // OK removes that line. True when it was removed.
    bool removeLine(std::size_t list, std::optional<std::size_t> selected);
    // "清空": an empty list asks nothing; otherwise asks, and on OK empties it.
    bool clear(std::size_t list);
    // "确定" and "取消": how the window closes.
    void accept() { outcome_ = Outcome::Accepted; }
    void cancel() { outcome_ = Outcome::Cancelled; }

  private:
    Kind kind_;
    std::vector<std::vector<std::string>> lists_;
    UserInteraction& user_;
    Outcome outcome_ = Outcome::None;
};

// "收支项目设定..." on the settings page: the dialog over copies of the item
// lists. On "确定" the lists take its lines and szxm.ini is written at once,
// then "收支项目设置保存成功！" (or the file that could not be written). Left
// any other way nothing changes. Either way the filter choices are refilled.
// True when the lists were changed and saved.
bool editItemLists(const SettingsPageContext& page, FilterChoicesView& filters);
// "家庭成员设定...": the same for the members and jtcy.ini; the dialog keeps
// no empty name.
bool editMemberList(const SettingsPageContext& page, FilterChoicesView& filters);

}  // namespace qinghe
