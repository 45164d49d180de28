#include <iostream>

#include "cli/commands.h"
#include "cli/run_session.h"
#include "common/gbk.h"
#include "store/table_check.h"
#include "tables/schemas.h"

namespace qinghe::cli {
namespace {

struct CheckOptions {
    std::string table;
    std::string password = tables::kStorePassword;
};

int runCheck(const CheckOptions& options) {
    auto password = utf8ToGbk(options.password);
    if (!password) {
        std::cerr << "the password cannot be written in GBK\n";
        return 2;
    }
    // A table of a run directory whose restore is unfinished is not yet the
    // one it will be.
    if (unfinishedWorkTold(std::filesystem::absolute(options.table).parent_path().parent_path()))
        return 2;
    store::PosixFileSystem files;
    store::TableCheck check = store::checkTable(files, options.table, *password);
    for (const auto& problem : check.problems) std::cout << gbkToUtf8Lossy(problem) << "\n";
    for (const auto& note : check.notes) std::cerr << "note: " << note << "\n";
    if (!check.readable) return 2;
    return check.problems.empty() ? 0 : 1;
}

}  // namespace

void addCheckCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* command = app.add_subcommand(
        "check",
        "Verify a table's files; one problem a line. Exit 0: none, 1: problems, 2: unreadable");
    command->add_option("table", options->table, "The table's data file (.edb)")->required();
    command->add_option("--password", options->password,
                        "The table password; \"\" for a plain table (default: the store "
                        "password)");
    command->callback([options, &exitCode] { exitCode = runCheck(*options); });
}

}  // namespace qinghe::cli
