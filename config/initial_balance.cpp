#include "config/initial_balance.h"

#include <cmath>

#include "common/number_text.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"

namespace qinghe {

namespace {

// 初始起算日期及初始金额保存成功！
constexpr char kSaved[] =
    "\xB3\xF5\xCA\xBC\xC6\xF0\xCB\xE3\xC8\xD5\xC6\xDA\xBC\xB0\xB3\xF5\xCA\xBC\xBD\xF0\xB6\xEE\xB1"
    "\xA3\xB4\xE6\xB3\xC9\xB9\xA6\xA3\xA1";
// 初始起算日期及初始金额保存失败！请确认存储空间足够并且未写保护！
constexpr char kNotSaved[] =
    "\xB3\xF5\xCA\xBC\xC6\xF0\xCB\xE3\xC8\xD5\xC6\xDA\xBC\xB0\xB3\xF5\xCA\xBC\xBD\xF0\xB6\xEE\xB1"
    "\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xA1\xC7\xEB\xC8\xB7\xC8\xCF\xB4\xE6\xB4\xA2\xBF\xD5\xBC\xE4"
    "\xD7\xE3\xB9\xBB\xB2\xA2\xC7\xD2\xCE\xB4\xD0\xB4\xB1\xA3\xBB\xA4\xA3\xA1";

}  // namespace

bool editInitialBalance(const RunDirectory& run, Settings& settings, UserInteraction& user) {
    double date = settings.startDate;
    double amount = settings.initialAmount;
    bool accepted = false;
    // The amount is offered in its shortest exact form, so that confirming
    // the dialog unchanged keeps it to the cent.
    user.runForm({FormKind::InitialBalance,
                  {dateToText(settings.startDate), shortestNumberText(settings.initialAmount)}},
                 [&](const std::vector<std::string>& fields) {
                     if (fields.size() < 2) return false;
                     date = std::floor(clampDate(textToDate(fields[0])));
                     amount = textToNumber(fields[1]);
                     accepted = true;
                     return true;
                 });
    if (!accepted) return false;
    settings.startDate = date;
    settings.initialAmount = amount;
    if (!saveInitialBalance(run, settings)) {
        showError(user, kNotSaved);
        return false;
    }
    user.showMessage({kSaved, texts::kSuccessTitle, MessageIcon::Information, MessageButtons::Ok});
    return true;
}

}  // namespace qinghe
