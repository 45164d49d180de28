#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/gbk.h"
#include "ledger/ledger_lifecycle.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

struct CreateLedgerOptions {
    RunDirectoryArgument runDirectory;
    std::string name;
    std::string password;
};

int runCreateLedger(const CreateLedgerOptions& options) {
    // Texts on the command line are UTF-8; the registry keeps GBK.
    std::optional<std::string> name = utf8ToGbk(options.name);
    if (!name) {
        std::cerr << "the ledger name is not UTF-8 that can be written in GBK\n";
        return 1;
    }
    std::optional<std::string> password = utf8ToGbk(options.password);
    if (!password) {
        std::cerr << "the password is not UTF-8 that can be written in GBK\n";
        return 1;
    }
    RunSession session(options.runDirectory, SessionUse::Writing);
    if (!session.ready()) return 1;
    AppState& state = session.state();
    // Refused and Failed have been explained by the core.
    return ledger::createLedger(state, *name, *password) == ledger::CreateLedgerResult::Created ? 0
                                                                                                : 1;
}

}  // namespace

void addCreateLedgerCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<CreateLedgerOptions>();
    CLI::App* command = app.add_subcommand("create-ledger",
                                           "Add a ledger as the dialog \"添加一个新账簿\" does. "
                                           "Exit 0 when it was created, 1 when not");
    addRunDirectory(command, options->runDirectory);
    command->add_option("name", options->name, "The ledger's name")->required();
    command->add_option("--password", options->password,
                        "The ledger's access password (default: none)");
    command->callback([options, &exitCode] { exitCode = runCreateLedger(*options); });
}

}  // namespace qinghe::cli
