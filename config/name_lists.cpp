#include "config/name_lists.h"

#include <algorithm>
#include <utility>

#include "common/gbk.h"
#include "common/standard_messages.h"
#include "config/name_list_texts.h"
#include "config/settings_texts.h"

namespace qinghe {

namespace {

namespace texts_ = name_list_texts;

bool tellIfNotWritten(bool written, UserInteraction& user, const std::filesystem::path& file) {
    if (!written) showError(user, settings_texts::kSettingsNotSaved + "\r\n" + pathToGbk(file));
    return written;
}

bool confirm(UserInteraction& user, const std::string& question, const std::string& title) {
    return user.showMessage({question, title, MessageIcon::Warning, MessageButtons::OkCancel}) ==
           MessageAnswer::Ok;
}

std::vector<std::string> withoutEmptyNames(std::vector<std::string> names) {
    std::erase_if(names, [](const std::string& name) { return name.empty(); });
    return names;
}

void tellSaved(UserInteraction& user, const std::string& text) {
    user.showMessage({text, texts::kSuccessTitle, MessageIcon::Information, MessageButtons::Ok});
}

}  // namespace

FilterChoices filterChoices(const Settings& settings) {
    FilterChoices choices;
    choices.members.reserve(settings.members.size() + 1);
    choices.members.emplace_back(texts_::kAllChoice);
    choices.members.insert(choices.members.end(), settings.members.begin(), settings.members.end());
    choices.items.reserve(settings.incomeItems.size() + settings.expenseItems.size() + 1);
    choices.items.emplace_back(texts_::kAllChoice);
    choices.items.insert(choices.items.end(), settings.incomeItems.begin(),
                         settings.incomeItems.end());
    choices.items.insert(choices.items.end(), settings.expenseItems.begin(),
                         settings.expenseItems.end());
    return choices;
}

bool putNameInFront(std::vector<std::string>& names, const std::string& name) {
    if (name.empty() || std::find(names.begin(), names.end(), name) != names.end()) return false;
    names.insert(names.begin(), name);
    return true;
}

bool saveItemListsOrTell(const RunDirectory& run, const Settings& settings, UserInteraction& user) {
    return tellIfNotWritten(saveItemLists(run, settings), user, itemsIniFile(run));
}

bool saveMemberListOrTell(const RunDirectory& run, const Settings& settings,
                          UserInteraction& user) {
    return tellIfNotWritten(saveMemberList(run, settings), user, membersIniFile(run));
}

NameListsModel::NameListsModel(Kind kind, std::vector<std::vector<std::string>> lists,
                               UserInteraction& user)
    : kind_(kind), lists_(std::move(lists)), user_(user) {
    if (kind_ == Kind::Members) {
        for (auto& list : lists_) list = withoutEmptyNames(std::move(list));
    }
}

bool NameListsModel::add(std::size_t list) {
    if (list >= lists_.size()) return false;
    const bool items = kind_ == Kind::Items;
    const auto typed = user_.askText({items ? texts_::kAddNameTitle : texts_::kAddMemberTitle,
                                      items ? texts_::kItemPrompt : texts_::kMemberPrompt, ""});
    if (!typed) return false;
    if (typed->empty()) {
        showError(user_, items ? texts_::kEmptyItemName : texts_::kEmptyMemberName);
        return false;
    }
    lists_[list].push_back(*typed);
    return true;
}

bool NameListsModel::removeLine(std::size_t list, std::optional<std::size_t> selected) {
    if (list >= lists_.size() || !selected || *selected >= lists_[list].size()) return false;
    if (!confirm(user_, texts_::kDeleteNameQuestion, texts_::kDeleteTitle)) return false;
    lists_[list].erase(lists_[list].begin() + static_cast<std::ptrdiff_t>(*selected));
    return true;
}

bool NameListsModel::clear(std::size_t list) {
    if (list >= lists_.size() || lists_[list].empty()) return false;
    const std::string& question =
        kind_ == Kind::Items ? texts_::kClearItemsQuestion : texts_::kClearMembersQuestion;
    if (!confirm(user_, question, texts_::kClearTitle)) return false;
    lists_[list].clear();
    return true;
}

bool editItemLists(const SettingsPageContext& page, FilterChoicesView& filters) {
    // The dialog works on copies; the outcome starts empty at every opening.
    NameListsModel dialog(NameListsModel::Kind::Items,
                          {page.settings.incomeItems, page.settings.expenseItems}, page.user);
    page.user.runWindow(WindowKind::ItemLists, dialog);
    bool saved = false;
    if (dialog.outcome() == NameListsModel::Outcome::Accepted) {
        page.settings.incomeItems = dialog.lines(NameListsModel::kIncomeList);
        page.settings.expenseItems = dialog.lines(NameListsModel::kExpenseList);
        saved = saveItemListsOrTell(page.run, page.settings, page.user);
        if (saved) tellSaved(page.user, texts_::kItemListsSaved);
    }
    // Also after "确定": the 查账 page offers the lists as they now are.
    refreshFilterChoices(page.settings, filters);
    return saved;
}

bool editMemberList(const SettingsPageContext& page, FilterChoicesView& filters) {
    NameListsModel dialog(NameListsModel::Kind::Members, {page.settings.members}, page.user);
    page.user.runWindow(WindowKind::MemberList, dialog);
    bool saved = false;
    if (dialog.outcome() == NameListsModel::Outcome::Accepted) {
        // Lines are never empty: added names are refused when they are.
        page.settings.members = dialog.lines(0);
        saved = saveMemberListOrTell(page.run, page.settings, page.user);
        if (saved) tellSaved(page.user, texts_::kMemberListSaved);
    }
    refreshFilterChoices(page.settings, filters);
    return saved;
}

}  // namespace qinghe
