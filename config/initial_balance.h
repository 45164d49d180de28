#pragma once

#include "common/run_directory.h"
#include "common/user_interaction.h"
#include "config/settings.h"

namespace qinghe {

// "初始记账日期及金额设定...": the dialog "设定记账初始日期与初始金额" with the
// present start date and initial amount; on "确定" both are kept and saved.
// True when they were saved.
bool editInitialBalance(const RunDirectory& run, Settings& settings, UserInteraction& user);

}  // namespace qinghe
