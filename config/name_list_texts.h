#pragma once

#include <string>

#include "common/gbk.h"

// Texts of the item and member lists and their dialogs.

namespace qinghe::name_list_texts {

inline const std::string kItemPrompt = gbkText("请输入项目名称：");
inline const std::string kMemberPrompt = gbkText("请输入项目内容：");
inline const std::string kAddNameTitle = gbkText("添加项目");
inline const std::string kAddMemberTitle = gbkText("添加家庭成员");
inline const std::string kEmptyItemName = gbkText("请输入有效的项目文本！");
inline const std::string kEmptyMemberName = gbkText("请输入一个有效的项目内容！");
inline const std::string kDeleteNameQuestion = gbkText("确实要删除选定的项目？");
inline const std::string kDeleteTitle = gbkText("删除");
inline const std::string kClearItemsQuestion = gbkText("确实要清空所有项目？");
inline const std::string kClearMembersQuestion = gbkText("确实要清空全部项目？");
inline const std::string kClearTitle = gbkText("清空");
inline const std::string kItemListsSaved = gbkText("收支项目设置保存成功！");
inline const std::string kMemberListSaved = gbkText("家庭成员设定保存成功！");
// The first choice of each filter of the 查账 page.
inline const std::string kAllChoice = gbkText("全部");

}  // namespace qinghe::name_list_texts
