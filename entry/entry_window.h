#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/user_interaction.h"
#include "entry/add_entry.h"
#include "entry/entry_form.h"
#include "entry/entry_screens.h"
#include "entry/ledger_rows.h"
#include "entry/voucher_strip.h"

namespace qinghe {
struct AppState;
}

namespace qinghe::entry {

// The window "查看、修改项目内容" on one entry of the open ledger: its "查看"
// page shows the entry, its "修改" page edits a copy, and "保存" stores the
// copy in the entry's record (one record rewritten, one row of each list
// updated). Made by openEntryWindow; shown by UserInteraction::runWindow.

// The texts of the "查看" page, each a whole caption.
struct EntryViewTexts {
    std::string date;       // "时间：  " + yyyy-mm-dd
    std::string direction;  // "收支方向：  收入" or "收支方向：  支出"
    std::string item;       // "项目：  " + item
    std::string member;     // "成员：  " + member
    std::string amount;     // "金额：  " + the amount rounded to cents
    std::string note;
    friend bool operator==(const EntryViewTexts&, const EntryViewTexts&) = default;
};

// The controls of the "修改" page, read back before "保存". Changing the
// direction does not change the item choices.
struct EntryForm : EntryFields {
    // Set once the user types into the amount box: the text then stands for
    // itself, even when it reads as the box showed it.
    bool amountTyped = false;
    friend bool operator==(const EntryForm&, const EntryForm&) = default;
};

enum class EntryPage { View, Modify };

// Who opens the window: a double-click (or "查看...") on the 记账 list, a
// double-click on the 查账 list, or "修改条目" (or "修改...").
enum class EntryOpener { EntryList, QueryList, Modify };

class EntryWindowModel final : public WindowModel {
  public:
    enum class Outcome {
        None,       // closed by the window's close control
        Cancelled,  // "确定" on 查看, "取消" on 修改
        Saved,      // "保存", and the entry was stored
    };

    // `row` of the open ledger's rows holds `entry`; `storedVouchers` is its
    // 票据 value, nothing when it could not be read.
    EntryWindowModel(AppState& state, std::size_t row, const EntryValues& entry,
                     std::optional<std::string> storedVouchers, EntryPage startPage,
                     EntryScreens& screens);

    EntryPage startPage() const { return startPage_; }
    // The hover tips of the picture boxes are shown (visual guidance is on).
    bool guidance() const { return guidance_; }
    const EntryViewTexts& viewTexts() const { return viewTexts_; }
    // The "修改" page's controls.
    EntryForm& form() { return form_; }
    const EntryForm& form() const { return form_; }
    // The voucher list both pages' strips show.
    VoucherStripModel& vouchers() { return vouchers_; }
    UserInteraction& user();

    // "保存": the amount must be there and be a number that is not absurd;
    // an amount box left as the window showed it keeps the stored amount to
    // the last digit (the box shows it rounded to cents). The vouchers are
    // written only when they changed. On success the item of the direction
    // chosen goes in front of its list (the item lists saved either way), an
    // unknown member in front of the members (then saved), and true is
    // returned: the window closes. On a refusal or a failed write it is said
    // and the window stays open with everything as typed; nothing changed.
    bool save();
    // "确定" and "取消".
    void cancel() { outcome_ = Outcome::Cancelled; }
    Outcome outcome() const { return outcome_; }

  private:
    AppState& state_;
    std::size_t row_;
    EntryValues entry_;
    bool vouchersRead_;
    EntryPage startPage_;
    EntryScreens& screens_;
    bool guidance_;
    EntryViewTexts viewTexts_;
    EntryForm form_;
    std::string shownAmount_;
    VoucherStripModel vouchers_;
    std::uint64_t vouchersAsRead_;
    Outcome outcome_ = Outcome::None;
};

// Opens the window on row `row` of the open ledger (none selected: nothing
// opens and nothing is returned), on "查看" or, for the modifying opener,
// "修改". Reads that one record; never the whole table. After a save the row
// is selected again in the list it was opened from, and opened from the 查账
// list that list is made again (refreshQueryList). Unless it was cancelled, the
// filter choices are refilled.
std::optional<EntryWindowModel::Outcome> openEntryWindow(AppState& state,
                                                         std::optional<std::size_t> row,
                                                         EntryOpener opener, EntryScreens& screens);

}  // namespace qinghe::entry
