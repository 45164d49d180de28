#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"qinghe-cli: scripting, checks and repair for the data of 青禾 家庭流水记账软件"};
    app.set_version_flag("--version", std::string("qinghe-cli ") + QINGHE_VERSION);
    app.require_subcommand(0, 1);
    int exitCode = 0;
    qinghe::cli::addDumpCommand(app, exitCode);
    qinghe::cli::addCheckCommand(app, exitCode);
    CLI11_PARSE(app, argc, argv);
    if (app.get_subcommands().empty()) std::cout << app.help();
    return exitCode;
}
