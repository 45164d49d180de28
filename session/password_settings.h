#pragma once

#include "session/app_state.h"

namespace qinghe {

// The check box "重要操作需要校验密码" changed by the user. Ticking stores
// needpass 1 at once. Unticking asks for the login password first when
// needpass is 1; refused, nothing changes and the box must show ticked again.
// The value in memory follows the box; a store that cannot be written is told.
// Returns whether the box is ticked afterwards.
bool changeNeedPassword(AppState& state, bool ticked);

// "修改登录密码...": the old password, the new one twice. Refused in the form,
// which stays open, when the old one is wrong, the two differ or the new one
// does not fit the store's 20 bytes. The new password is written to the user
// store, flushed and read back before it replaces the one in memory and
// "登录密码修改成功！" is shown; a failed write is told and changes nothing.
// True when the password was changed.
bool changeLoginPassword(AppState& state);

}  // namespace qinghe
