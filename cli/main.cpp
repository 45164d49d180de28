#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "cli/console_user.h"

namespace {

// Exit code of a command line the tool does not understand.
constexpr int kUsageError = 2;

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"qinghe-cli: scripting, checks and repair for the data of 青禾 家庭流水记账软件"};
    app.set_version_flag("--version", std::string("qinghe-cli ") + QINGHE_VERSION);
    app.require_subcommand(0, 1);
    int exitCode = 0;
    qinghe::cli::addDumpCommand(app, exitCode);
    qinghe::cli::addCheckCommand(app, exitCode);
    qinghe::cli::addRepairCommand(app, exitCode);
    qinghe::cli::addLedgersCommand(app, exitCode);
    qinghe::cli::addEntriesCommand(app, exitCode);
    qinghe::cli::addCreateLedgerCommand(app, exitCode);
    qinghe::cli::addBackupCommands(app, exitCode);
    qinghe::cli::addVouchersCommand(app, exitCode);
    qinghe::cli::addEntryCommands(app, exitCode);
    qinghe::cli::addReportCommands(app, exitCode);
    qinghe::cli::addImportCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // CLI11 prints help, the version or what was wrong; its own codes for
        // the last are 100 and up, the tool's is one.
        return app.exit(error) == 0 ? 0 : kUsageError;
    }
    if (app.get_subcommands().empty()) std::cout << app.help();
    if (exitCode == 0 && qinghe::cli::errorWasTold()) exitCode = 1;
    // Output that could not be written (a full disk, a closed standard
    // output) is a failure too: a script must not take half a list for all.
    if (!std::cout.flush() && exitCode == 0) {
        std::cerr << "cannot write the output\n";
        exitCode = 1;
    }
    return exitCode;
}
