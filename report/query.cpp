#include "report/query.h"

#include <array>
#include <cmath>

#include "common/exact_sum.h"
#include "common/gbk.h"
#include "common/money_text.h"
#include "config/name_lists.h"
#include "config/settings.h"
#include "entry/entry_list.h"
#include "report/periods.h"
#include "session/app_state.h"

namespace qinghe::report {

namespace {

// ASCII letters to lower case, every other byte as it is.
constexpr std::array<unsigned char, 256> makeFold() {
    std::array<unsigned char, 256> fold{};
    for (int c = 0; c < 256; ++c)
        fold[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return fold;
}
constexpr std::array<unsigned char, 256> kFold = makeFold();

// A sum counts as zero up to this much.
constexpr double kZero = 0.0000001;

bool isZero(double sum) {
    return std::fabs(sum) <= kZero;
}

}  // namespace

NoteSearch::NoteSearch(std::string_view text) {
    text_.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isGbkLeadByte(c) && i + 1 < text.size()) {
            text_ += text[i];
            text_ += text[++i];
        } else {
            text_ += static_cast<char>(kFold[c]);
        }
    }
    if (!text_.empty()) first_ = static_cast<unsigned char>(text_[0]);
}

bool NoteSearch::matchesAt(const unsigned char* at) const {
    const auto* text = reinterpret_cast<const unsigned char*>(text_.data());
    const std::size_t n = text_.size();
    for (std::size_t j = 0; j < n; ++j) {
        if (isGbkLeadByte(text[j]) && j + 1 < n) {
            // A double-byte character: both bytes exactly.
            if (at[j] != text[j] || at[j + 1] != text[j + 1]) return false;
            ++j;
        } else if (kFold[at[j]] != text[j]) {
            // A lead byte of the note never equals a single-byte character
            // here: ASCII folds only to ASCII.
            return false;
        }
    }
    return true;
}

bool NoteSearch::foundIn(std::string_view note) const {
    const std::size_t n = text_.size();
    if (n == 0) return true;
    if (note.size() < n) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(note.data());
    const std::size_t size = note.size();
    const std::size_t last = size - n;
    // Character by character, so that a match starts on a character.
    for (std::size_t i = 0; i <= last;) {
        const unsigned char c = bytes[i];
        if (kFold[c] == first_ && matchesAt(bytes + i)) return true;
        i += isGbkLeadByte(c) && i + 1 < size ? 2 : 1;
    }
    return false;
}

QueryResult runQuery(std::shared_ptr<const LedgerRows> rows, const QueryConditions& conditions) {
    QueryResult result;
    ExactSum income, expense, balance;
    if (rows) {
        const LedgerRows& entries = *rows;
        const std::int64_t first = calendarDay(conditions.startDate);
        const std::int64_t last = calendarDay(conditions.endDate);
        const bool anyItem = conditions.item == kAllChoice;
        const bool anyMember = conditions.member == kAllChoice;
        const NoteSearch note(conditions.note);
        const std::size_t count = entries.size();
        for (std::size_t row = 0; row < count; ++row) {
            const std::int64_t day = calendarDay(entries.date(row));
            if (day < first || day > last) continue;
            const bool isIncome = entries.income(row);
            if (conditions.direction && isIncome != (conditions.direction == Direction::Income))
                continue;
            if (!anyItem && entries.item(row) != conditions.item) continue;
            if (!anyMember && entries.member(row) != conditions.member) continue;
            if (!note.empty() && !note.foundIn(entries.note(row))) continue;
            result.matches.push_back(static_cast<std::uint32_t>(row));
            const double amount = entries.amount(row);
            if (isIncome) {
                income.add(amount);
                balance.add(amount);
            } else {
                expense.add(amount);
                balance.subtract(amount);
            }
        }
    }
    result.rows = std::move(rows);
    result.income = income.value();
    result.expense = expense.value();
    result.balance = balance.value();
    result.totalLabel =
        totalLabel(conditions.direction, result.income, result.expense, result.balance);
    return result;
}

QueryResult runQuery(AppState& state, const QueryConditions& conditions) {
    return runQuery(entry::currentLedgerRows(state), conditions);
}

std::string totalLabel(std::optional<Direction> direction, double income, double expense,
                       double balance) {
    std::string label = kTotalCaption;
    if (direction == Direction::Income) return label + moneyText(income) + kIncomeSuffix;
    if (direction == Direction::Expense) return label + moneyText(expense) + kExpenseSuffix;
    if (isZero(income) && isZero(expense)) return label + "0" + kYuan;
    if (!isZero(income)) return label + moneyText(balance) + kBalanceSuffix;
    return label + moneyText(expense) + kExpenseSuffix;
}

std::vector<std::string> memberChoices(const Settings& settings) {
    return filterChoices(settings).members;
}

std::vector<std::string> itemChoices(const Settings& settings, std::optional<Direction> direction) {
    if (!direction) return filterChoices(settings).items;
    std::vector<std::string> choices{kAllChoice};
    const auto& items =
        *direction == Direction::Income ? settings.incomeItems : settings.expenseItems;
    choices.insert(choices.end(), items.begin(), items.end());
    return choices;
}

}  // namespace qinghe::report
