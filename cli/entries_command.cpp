#include <cstdint>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "cli/captured_lists.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/ledger_command.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/ole_date.h"
#include "entry/entry_order.h"
#include "entry/entry_rows.h"
#include "entry/entry_texts.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

struct EntriesOptions {
    RunDirectoryArgument runDirectory;
    std::int32_t recordNumber = 0;
    std::optional<std::string> ledgerPassword;
    std::optional<std::string> sort;
    bool descending = false;
};

// The list's rows as JSON lines: the same cell texts as the list shows, each
// item and member name converted to UTF-8 once (a list can hold a million
// entries).
class RowLines {
  public:
    explicit RowLines(const LedgerRows& rows) : rows_(rows) {}

    JsonLine line(std::size_t row) {
        return {{"recno", row + 1},
                {"date", dateText(rows_.date(row))},
                {"direction", rows_.income(row) ? income_ : expense_},
                {"item", name(items_, rows_.itemNumber(row), true)},
                {"amount", shownText(entry::entryCellText(rows_, row, entry::kAmountColumn))},
                {"member", name(members_, rows_.memberNumber(row), false)},
                {"note", noteText(rows_.note(row))},
                {"voucher", rows_.hasVoucher(row) ? yes_ : no_}};
    }

  private:
    const std::string& name(std::vector<std::optional<std::string>>& names, std::uint32_t number,
                            bool item) {
        if (names.size() <= number) names.resize(number + 1);
        auto& utf8 = names[number];
        if (!utf8) utf8 = shownText(item ? rows_.itemName(number) : rows_.memberName(number));
        return *utf8;
    }
    // Households write the same notes again and again: the last few thousand
    // distinct ones keep their UTF-8.
    const std::string& noteText(std::string_view note) {
        static const std::string none;
        if (note.empty()) return none;
        if (auto it = notes_.find(note); it != notes_.end()) return it->second;
        if (notes_.size() >= 4096) notes_.clear();
        return notes_.emplace(std::string(note), shownText(note)).first->second;
    }
    // Dates of one day share their text: entries come in days.
    const std::string& dateText(double date) {
        if (date != lastDate_ || lastDateText_.empty()) {
            lastDate_ = date;
            lastDateText_ = dateToText(date);
        }
        return lastDateText_;
    }

    const LedgerRows& rows_;
    std::vector<std::optional<std::string>> items_, members_;
    std::map<std::string, std::string, std::less<>> notes_;
    const std::string income_ = shownText(entry::kIncomeText);
    const std::string expense_ = shownText(entry::kExpenseText);
    const std::string yes_ = shownText(entry::kYesText);
    const std::string no_ = shownText(entry::kNoText);
    double lastDate_ = 0;
    std::string lastDateText_;
};

JsonLine labelsLine(const entry::EntryLabels& labels) {
    return {{"labels",
             {{"ledger", shownText(labels.ledger)},
              {"startDate", shownText(labels.startDate)},
              {"initialAmount", shownText(labels.initialAmount)},
              {"income", shownText(labels.income)},
              {"expense", shownText(labels.expense)},
              {"balance", shownText(labels.balance)}}}};
}

int runEntries(const EntriesOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledgerPassword, wrong);
    if (wrong) return 1;
    RunSession session(options.runDirectory, SessionUse::Reading, std::move(password));
    if (!session.ready()) return 1;
    AppState& state = session.state();
    CapturedLists view;
    if (!openLedgerOrTell(state, options.recordNumber, view)) return 1;
    if (!view.entryRows || !view.entryLabels) {
        std::cerr << "the ledger was opened but its entry list was not filled\n";
        return 1;
    }
    RowLines rows(*view.entryRows);
    if (options.sort) {
        const entry::EntryOrder order{*entry::sortKeyNamed(*options.sort),
                                      options.descending ? entry::SortDirection::Descending
                                                         : entry::SortDirection::Ascending};
        for (const std::uint32_t row : entry::sortedRows(*view.entryRows, order))
            printLine(rows.line(row));
    } else {
        for (std::size_t row = 0; row < view.entryRows->size(); ++row) printLine(rows.line(row));
    }
    printLine(labelsLine(*view.entryLabels));
    return 0;
}

}  // namespace

void addEntriesCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<EntriesOptions>();
    CLI::App* command = app.add_subcommand(
        "entries",
        "Open a ledger as the program does and print its entry list as JSON lines, one a row, "
        "then the six labels under it (texts as shown). Exit 1 when it cannot be opened");
    addRunDirectory(command, options->runDirectory);
    command->add_option("recno", options->recordNumber, "The ledger's registry record (1-based)")
        ->required();
    command->add_option("--ledger-password", options->ledgerPassword,
                        "The ledger's access password, typed once when it asks for one");
    command
        ->add_option("--sort", options->sort,
                     "List the rows sorted by date, amount, item or member, as a click on the "
                     "column's header does (equal keys keep the table's order)")
        ->check(CLI::IsMember({"date", "amount", "item", "member"}));
    command->add_flag("--descending", options->descending, "With --sort: the other way round");
    command->callback([options, &exitCode] { exitCode = runEntries(*options); });
}

}  // namespace qinghe::cli
