#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ole_date.h"
#include "entry/ledger_rows.h"
#include "report/report_texts.h"

namespace qinghe {
struct AppState;
struct Settings;
}  // namespace qinghe

namespace qinghe::report {

// What one query asks for, as the controls hold it when "查询" is pressed.
// Texts are GBK; "全部" as item or member restricts nothing (so an item that
// is itself named 全部 cannot be singled out); no direction restricts nothing.
struct QueryConditions {
    double startDate = kEarliestDate;
    double endDate = kLatestDate;
    std::optional<Direction> direction;
    std::string item = kAllChoice;
    std::string member = kAllChoice;
    std::string note;
    friend bool operator==(const QueryConditions&, const QueryConditions&) = default;
};

// The listed entries: rows of the open ledger's rows in table order (row i is
// record i + 1), and the total label over them.
struct QueryResult {
    std::shared_ptr<const LedgerRows> rows;  // what `matches` point into
    std::vector<std::uint32_t> matches;
    double income = 0;   // exact sum of the listed incomes
    double expense = 0;  // exact sum of the listed expenses
    double balance = 0;  // exact income - expense
    std::string totalLabel;
};

// The note search: `text` occurs in a note, starting on a character (a GBK
// double-byte character counts as one), ASCII letters compared without regard
// to case and everything else exactly, so "abc" finds "aBc" but neither a
// full-width ａｂｃ nor a double-byte character whose second byte happens to
// be a letter.
class NoteSearch {
  public:
    explicit NoteSearch(std::string_view text);
    bool empty() const { return text_.empty(); }
    bool foundIn(std::string_view note) const;

  private:
    bool matchesAt(const unsigned char* at) const;

    std::string text_;  // as typed, ASCII letters in lower case
    unsigned char first_ = 0;
};

// The listed entries of `rows` (all of them tested in table order: date not
// before the start day, not after the end day, times of day ignored; the
// direction, where one is chosen, as the lists show it; item and member
// exactly; the note text), with the total label.
QueryResult runQuery(std::shared_ptr<const LedgerRows> rows, const QueryConditions& conditions);

// The same over the open ledger's rows in memory. No ledger open, or its rows
// unreadable: nothing listed.
QueryResult runQuery(AppState& state, const QueryConditions& conditions);

// Runs a query again after its entries changed (an entry saved from the list,
// added or deleted elsewhere): the list and its total as they now are.
inline QueryResult rerunQuery(AppState& state, const QueryConditions& conditions) {
    return runQuery(state, conditions);
}

// "当前累计：..." for the sums of a query (exact, decision of the project: no
// single-precision rounding): with 全部 the balance with "元（结余）" once
// there is any income, otherwise the expense with "元（支出）", and "当前累计：0元"
// when both are zero; with 收 the income, with 支 the expense.
std::string totalLabel(std::optional<Direction> direction, double income, double expense,
                       double balance);

// The choices of the member and item boxes: "全部" first, then the members,
// or the items of a direction (none: income items then expense items), in
// their stored order.
std::vector<std::string> memberChoices(const Settings& settings);
std::vector<std::string> itemChoices(const Settings& settings, std::optional<Direction> direction);

}  // namespace qinghe::report
