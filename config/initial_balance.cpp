#include "config/initial_balance.h"

#include <cmath>

#include "common/number_text.h"
#include "common/ole_date.h"
#include "common/standard_messages.h"

namespace qinghe {

namespace {

const std::string kSaved = gbkText("初始起算日期及初始金额保存成功！");
const std::string kNotSaved =
    gbkText("初始起算日期及初始金额保存失败！请确认存储空间足够并且未写保护！");

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
