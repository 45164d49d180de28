#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "ledger/ledger_list.h"
#include "ledger/registry.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

struct LedgersOptions {
    RunDirectoryArgument runDirectory;
};

JsonLine rowLine(const ledger::LedgerRow& row) {
    JsonLine line = {{"recno", row.recordNumber},         {"number", shownText(row.number)},
                     {"name", shownText(row.name)},       {"created", shownText(row.created)},
                     {"entries", shownText(row.entries)}, {"latest", shownText(row.latest)},
                     {"income", shownText(row.income)},   {"expense", shownText(row.expense)},
                     {"balance", shownText(row.balance)}};
    if (row.damaged) line["damaged"] = true;
    return line;
}

JsonLine summaryLine(const std::optional<ledger::LedgerSummary>& summary) {
    if (!summary) return {{"summary", nullptr}};
    return {{"summary",
             {{"count", shownText(summary->count)},
              {"income", shownText(summary->income)},
              {"expense", shownText(summary->expense)},
              {"balance", shownText(summary->balance)}}}};
}

int runLedgers(const LedgersOptions& options) {
    RunSession session(options.runDirectory, SessionUse::Reading);
    if (!session.ready()) return 1;
    AppState& state = session.state();
    // Rebuilding the list makes a missing registry; without one the list is
    // empty anyway, and looking at it leaves the run directory as it was.
    ledger::LedgerList list;
    if (state.files.exists(ledger::registryFile(state))) list = ledger::rebuildLedgerList(state);
    int result = 0;
    for (const ledger::LedgerRow& row : list.rows) {
        printLine(rowLine(row));
        if (row.damaged) {
            std::cerr << "ledger " << row.recordNumber
                      << ": its data file cannot be read (qinghe-cli check tells why)\n";
            result = 1;
        }
    }
    printLine(summaryLine(list.summary));
    return result;
}

}  // namespace

void addLedgersCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<LedgersOptions>();
    CLI::App* command = app.add_subcommand(
        "ledgers",
        "Print the ledger list as JSON lines, one a row, then its summary (texts as shown). "
        "Exit 1 when a ledger's data file cannot be read (its row says \"damaged\": true)");
    addRunDirectory(command, options->runDirectory);
    command->callback([options, &exitCode] { exitCode = runLedgers(*options); });
}

}  // namespace qinghe::cli
