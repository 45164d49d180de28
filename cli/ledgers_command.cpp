#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/run_session.h"
#include "ledger/ledger_list.h"
#include "ledger/registry.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

struct LedgersOptions {
    std::string runDirectory;
};

JsonLine rowLine(const ledger::LedgerRow& row) {
    return {{"recno", row.recordNumber},         {"number", shownText(row.number)},
            {"name", shownText(row.name)},       {"created", shownText(row.created)},
            {"entries", shownText(row.entries)}, {"latest", shownText(row.latest)},
            {"income", shownText(row.income)},   {"expense", shownText(row.expense)},
            {"balance", shownText(row.balance)}};
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
    for (const ledger::LedgerRow& row : list.rows) printLine(rowLine(row));
    printLine(summaryLine(list.summary));
    return 0;
}

}  // namespace

void addLedgersCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<LedgersOptions>();
    CLI::App* command = app.add_subcommand(
        "ledgers",
        "Print the ledger list as JSON lines, one a row, then its summary (texts as shown)");
    command
        ->add_option("rundir", options->runDirectory, "The folder that holds user/, books/, data/")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->callback([options, &exitCode] { exitCode = runLedgers(*options); });
}

}  // namespace qinghe::cli
