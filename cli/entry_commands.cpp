#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/captured_lists.h"
#include "cli/commands.h"
#include "cli/entry_line.h"
#include "cli/json_lines.h"
#include "cli/ledger_command.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/gbk.h"
#include "common/ole_date.h"
#include "entry/add_entry.h"
#include "entry/entry_form.h"
#include "entry/entry_removal.h"
#include "entry/entry_rows.h"
#include "entry/entry_window.h"
#include "entry/voucher_strip.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "session/app_state.h"
#include "session/user_store.h"
#include "tables/schemas.h"

// The entry actions of the 记账 page and the list dialogs' contents, through
// the same core flows as the windows: add-entry, change-entry, delete-entry,
// clear-entries, items and members. Exit 0 done, 1 refused (said on stderr),
// 2 a command line the tool does not understand.

namespace qinghe::cli {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

// The options of the commands that open a ledger.
struct LedgerOptions {
    RunDirectoryArgument runDirectory;
    std::int32_t ledger = 0;
    std::optional<std::string> ledgerPassword;
};

// An entry's values as given on the command line, each optional for
// change-entry (UTF-8, as typed).
struct EntryOptions {
    std::optional<std::string> date;
    std::optional<std::string> direction;  // "income" or "expense"
    std::optional<std::string> item;
    std::optional<std::string> member;
    std::optional<std::string> amount;
    std::optional<std::string> note;
    std::vector<std::string> vouchers;
    bool noVouchers = false;
};

// The texts of the entry options in GBK, the date as a day count; said when
// one is wrong.
struct EntryTexts {
    std::optional<double> date;
    std::optional<Direction> direction;
    std::optional<std::string> item, member, amount, note;
};

void addLedgerOptions(CLI::App* command, LedgerOptions& options) {
    addRunDirectory(command, options.runDirectory);
    command->add_option("recno", options.ledger, "The ledger's registry record (1-based)")
        ->required();
}

void addPasswordOption(CLI::App* command, LedgerOptions& options) {
    command->add_option("--ledger-password", options.ledgerPassword,
                        "The ledger's access password: typed when it asks for one, and when "
                        "deleting needs it (\"重要操作需要校验密码\")");
}

void addEntryOptions(CLI::App* command, EntryOptions& options, bool required) {
    auto* date = command->add_option("--date", options.date, "The entry's date, YYYY-MM-DD");
    auto* direction = command->add_option("--direction", options.direction, "income or expense")
                          ->check(CLI::IsMember({"income", "expense"}));
    auto* item = command->add_option("--item", options.item,
                                     "The item; a new one goes in front of its list");
    auto* member = command->add_option("--member", options.member,
                                       "The family member; a new one goes in front of the list");
    auto* amount = command->add_option(
        "--amount", options.amount,
        "The amount, stored exactly as given (a number; at most 1000000000000 either way)");
    command->add_option("--note", options.note, "The note (at most 512 bytes in GBK)");
    if (required) {
        for (CLI::Option* option : {date, direction, item, member, amount}) option->required();
    }
}

std::optional<std::string> gbkOption(const std::optional<std::string>& utf8, const char* what,
                                     bool& wrong) {
    if (!utf8) return std::nullopt;
    auto gbk = utf8ToGbk(*utf8);
    if (!gbk) {
        std::cerr << "the " << what << " cannot be written in GBK: " << *utf8 << "\n";
        wrong = true;
    }
    return gbk;
}

// The options checked before anything is opened: nothing when one is wrong
// (said so), with the exit code in `code`.
std::optional<EntryTexts> entryTexts(const EntryOptions& options, int& code) {
    EntryTexts texts;
    if (options.date) {
        const std::string& date = *options.date;
        int year = 0, month = 0, day = 0;
        char end = 0;
        if (date.size() == 10 &&
            std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &end) == 3) {
            texts.date = dateFromCivil(year, month, day);
        }
        if (!texts.date) {
            std::cerr << "--date takes a date YYYY-MM-DD between 0100-01-01 and 9999-12-31: "
                      << date << "\n";
            code = kUsage;
            return std::nullopt;
        }
    }
    if (options.direction) {
        texts.direction = *options.direction == "income" ? Direction::Income : Direction::Expense;
    }
    bool wrong = false;
    texts.item = gbkOption(options.item, "item", wrong);
    texts.member = gbkOption(options.member, "member", wrong);
    texts.amount = gbkOption(options.amount, "amount", wrong);
    texts.note = gbkOption(options.note, "note", wrong);
    if (!wrong && texts.note && texts.note->size() > tables::width::kNote) {
        // The window takes no more either: nothing given is cut.
        std::cerr << "the note is longer than the " << tables::width::kNote
                  << " bytes (in GBK) an entry keeps\n";
        wrong = true;
    }
    if (wrong) {
        code = kRefused;
        return std::nullopt;
    }
    return texts;
}

// Opens the ledger as the program does, with "重要操作需要校验密码" as the user
// store keeps it. kDone when it is open.
int openLedger(AppState& state, const LedgerOptions& options, CapturedLists& view) {
    // needpass lives in the user store; without one it is off.
    if (state.files.exists(state.run.below(tables::kUserStorePath)) && !openUserStore(state)) {
        std::cerr << "the user store cannot be opened (damaged?)\n";
        return kRefused;
    }
    return openLedgerOrTell(state, options.ledger, view) ? kDone : kRefused;
}

// The row of entry `recordNumber`, when the ledger has it.
std::optional<std::size_t> entryRow(AppState& state, std::int32_t recordNumber) {
    const auto& rows = state.currentLedger.rows;
    const std::size_t count = rows ? rows->size() : 0;
    if (recordNumber < 1 || static_cast<std::size_t>(recordNumber) > count) {
        std::cerr << "there is no entry at record " << recordNumber << " (the ledger holds "
                  << count << ")\n";
        return std::nullopt;
    }
    return static_cast<std::size_t>(recordNumber - 1);
}

// The voucher files taken into a strip as the file dialog takes them; false
// when one could not be (said so by the core).
bool takeVouchers(RunSession& session, const std::vector<std::string>& files,
                  entry::VoucherStripModel& strip) {
    if (files.empty()) return true;
    std::vector<std::filesystem::path> paths(files.begin(), files.end());
    session.user().answerNextFileDialog(paths);
    return entry::addVouchers(session.user(), strip) == static_cast<int>(paths.size());
}

// --- add-entry -----------------------------------------------------------------

struct AddOptions {
    LedgerOptions ledger;
    EntryOptions entry;
};

int runAddEntry(const AddOptions& options) {
    int code = kDone;
    const auto texts = entryTexts(options.entry, code);
    if (!texts) return code;
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledger.ledgerPassword, wrong);
    if (wrong) return kRefused;
    RunSession session(options.ledger.runDirectory, SessionUse::Writing, std::move(password));
    if (!session.ready()) return kRefused;
    AppState& state = session.state();
    CapturedLists view;
    if (const int opened = openLedger(state, options.ledger, view); opened != kDone) return opened;

    // The window as a user fills it in.
    entry::AddEntryForm form = entry::newAddEntryForm(state);
    entry::chooseDirection(state.settings, form, *texts->direction);
    // Picked in the window's date picker: the day given, at the time it is now.
    form.date = entry::onDay(form.date, *texts->date);
    form.item.text = *texts->item;
    form.member.text = *texts->member;
    form.amount = *texts->amount;
    form.note = texts->note.value_or(std::string());
    entry::VoucherStripModel vouchers;
    if (!takeVouchers(session, options.entry.vouchers, vouchers)) return kRefused;
    entry::EntryScreens screens(view);
    if (entry::addEntryFromForm(state, form, vouchers, screens) != entry::AddEntryResult::Added)
        return kRefused;  // the core has said why
    const LedgerRows& rows = *state.currentLedger.rows;
    printLine(entryLine(rows, rows.size() - 1));
    return kDone;
}

// --- change-entry --------------------------------------------------------------

struct ChangeOptions {
    LedgerOptions ledger;
    std::int32_t entry = 0;
    EntryOptions values;
};

int runChangeEntry(const ChangeOptions& options) {
    int code = kDone;
    const auto texts = entryTexts(options.values, code);
    if (!texts) return code;
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledger.ledgerPassword, wrong);
    if (wrong) return kRefused;
    RunSession session(options.ledger.runDirectory, SessionUse::Writing, std::move(password));
    if (!session.ready()) return kRefused;
    AppState& state = session.state();
    CapturedLists view;
    if (const int opened = openLedger(state, options.ledger, view); opened != kDone) return opened;
    const auto row = entryRow(state, options.entry);
    if (!row) return kRefused;

    // The window "查看、修改项目内容" on its "修改" page, changed as given.
    bool vouchersTaken = true;
    session.user().answerNextWindow([&](WindowKind, WindowModel& model) {
        auto* window = dynamic_cast<entry::EntryWindowModel*>(&model);
        if (window == nullptr) return;
        entry::EntryForm& form = window->form();
        if (texts->date) form.date = entry::onDay(form.date, *texts->date);
        if (texts->direction) form.direction = *texts->direction;
        if (texts->item) form.item.text = *texts->item;
        if (texts->member) form.member.text = *texts->member;
        if (texts->amount) {
            form.amount = *texts->amount;
            form.amountTyped = true;
        }
        if (texts->note) form.note = *texts->note;
        if (options.values.noVouchers || !options.values.vouchers.empty()) {
            window->vouchers().reset({});
            vouchersTaken = takeVouchers(session, options.values.vouchers, window->vouchers());
            if (!vouchersTaken) return;
        }
        window->save();
    });
    entry::EntryScreens screens(view);
    const auto outcome = entry::openEntryWindow(state, *row, entry::EntryOpener::Modify, screens);
    if (outcome != entry::EntryWindowModel::Outcome::Saved) return kRefused;
    printLine(entryLine(*state.currentLedger.rows, *row));
    return kDone;
}

// --- delete-entry and clear-entries ------------------------------------------------

struct RemoveOptions {
    LedgerOptions ledger;
    std::int32_t entry = 0;
};

// Said when the password gate stopped an action (a failed write has said so
// itself).
void tellGate(const ConsoleUser& user) {
    if (user.guardRefused())
        std::cerr << "the ledger's access password is needed to delete (--ledger-password), "
                     "since important operations ask for it\n";
}

int runDeleteEntry(const RemoveOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledger.ledgerPassword, wrong);
    if (wrong) return kRefused;
    RunSession session(options.ledger.runDirectory, SessionUse::Writing, std::move(password));
    if (!session.ready()) return kRefused;
    AppState& state = session.state();
    CapturedLists view;
    if (const int opened = openLedger(state, options.ledger, view); opened != kDone) return opened;
    const auto row = entryRow(state, options.entry);
    if (!row) return kRefused;
    if (!entry::deleteSelectedEntry(state, *row, view)) {
        tellGate(session.user());
        return kRefused;
    }
    return kDone;
}

int runClearEntries(const LedgerOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledgerPassword, wrong);
    if (wrong) return kRefused;
    RunSession session(options.runDirectory, SessionUse::Writing, std::move(password));
    if (!session.ready()) return kRefused;
    AppState& state = session.state();
    CapturedLists view;
    if (const int opened = openLedger(state, options, view); opened != kDone) return opened;
    const std::size_t count = state.currentLedger.rows ? state.currentLedger.rows->size() : 0;
    if (count == 0) return kDone;  // nothing to clear
    if (!entry::clearAllEntries(state, count, view)) {
        tellGate(session.user());
        return kRefused;
    }
    return kDone;
}

// --- items and members --------------------------------------------------------------

int runNameLists(const RunDirectoryArgument& runDirectory, bool items) {
    RunSession session(runDirectory, SessionUse::Reading);
    if (!session.ready()) return kRefused;
    const Settings& settings = session.state().settings;
    auto print = [](const char* direction, const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            JsonLine line;
            if (direction) line["direction"] = direction;
            line["position"] = i + 1;
            line["name"] = shownText(names[i]);
            printLine(line);
        }
    };
    if (items) {
        print("income", settings.incomeItems);
        print("expense", settings.expenseItems);
    } else {
        print(nullptr, settings.members);
    }
    return kDone;
}

}  // namespace

void addEntryCommands(CLI::App& app, int& exitCode) {
    {
        auto options = std::make_shared<AddOptions>();
        CLI::App* command = app.add_subcommand(
            "add-entry",
            "Add an entry to a ledger as the window \"添加一个项目\" does, and print it as "
            "`entries` prints it. Exit 1 when it was refused or could not be written");
        addLedgerOptions(command, options->ledger);
        addEntryOptions(command, options->entry, true);
        command->add_option("--voucher", options->entry.vouchers,
                            "A receipt picture (JPG, BMP or PNG), stored as the file's bytes; "
                            "repeat for more");
        addPasswordOption(command, options->ledger);
        command->callback([options, &exitCode] { exitCode = runAddEntry(*options); });
    }
    {
        auto options = std::make_shared<ChangeOptions>();
        CLI::App* command = app.add_subcommand(
            "change-entry",
            "Change an entry as the window \"查看、修改项目内容\" saves it: what is not given "
            "stays (an amount not given keeps every digit), then print it. Exit 1 when it was "
            "refused or could not be written");
        addLedgerOptions(command, options->ledger);
        command
            ->add_option("entry", options->entry,
                         "The entry's record number, as `entries` "
                         "prints it")
            ->required();
        addEntryOptions(command, options->values, false);
        auto* vouchers = command->add_option(
            "--voucher", options->values.vouchers,
            "The entry's receipt pictures become these files (repeat for more)");
        command
            ->add_flag("--no-vouchers", options->values.noVouchers,
                       "The entry keeps no receipt picture")
            ->excludes(vouchers);
        addPasswordOption(command, options->ledger);
        command->callback([options, &exitCode] { exitCode = runChangeEntry(*options); });
    }
    {
        auto options = std::make_shared<RemoveOptions>();
        CLI::App* command = app.add_subcommand(
            "delete-entry",
            "Delete an entry as \"删除条目\" does: later entries move up one record. Exit 1 "
            "when it was not deleted");
        addLedgerOptions(command, options->ledger);
        command
            ->add_option("entry", options->entry,
                         "The entry's record number, as `entries` "
                         "prints it")
            ->required();
        addPasswordOption(command, options->ledger);
        command->callback([options, &exitCode] { exitCode = runDeleteEntry(*options); });
    }
    {
        auto options = std::make_shared<LedgerOptions>();
        CLI::App* command = app.add_subcommand(
            "clear-entries",
            "Delete every entry of a ledger as \"清空账目\" does; the ledger stays. Exit 1 when "
            "they were not deleted");
        addLedgerOptions(command, *options);
        addPasswordOption(command, *options);
        command->callback([options, &exitCode] { exitCode = runClearEntries(*options); });
    }
    for (const bool items : {true, false}) {
        auto folder = std::make_shared<RunDirectoryArgument>();
        CLI::App* command = app.add_subcommand(
            items ? "items" : "members",
            items ? "Print the item lists as JSON lines: the income items, then the expense "
                    "items, in the order the windows offer them"
                  : "Print the family members as JSON lines, in the order the windows offer "
                    "them");
        addRunDirectory(command, *folder);
        command->callback([folder, items, &exitCode] { exitCode = runNameLists(*folder, items); });
    }
}

}  // namespace qinghe::cli
