#include "cli/run_directory_argument.h"

#include <iostream>

#include "common/data_folder.h"

namespace qinghe::cli {

namespace fs = std::filesystem;

std::optional<fs::path> RunDirectoryArgument::resolve() const {
    std::optional<fs::path> argument;
    if (!given.empty()) argument = fs::path(given);
    if (!dataDir.empty()) argument = fs::path(dataDir);
    const DataFolderChoice choice = chooseDataFolder(dataFolderInputsOfThisProcess(argument));
    switch (choice.source) {
        case DataFolderSource::None:
            std::cerr << "no run directory: give one, or set HOME or " << kDataFolderVariable
                      << "\n";
            return std::nullopt;
        case DataFolderSource::Argument:
            // Named on the command line: checked by the parser, never made.
            return choice.folder;
        case DataFolderSource::Environment:
        case DataFolderSource::Portable:
        case DataFolderSource::UserData:
            break;
    }
    // The user's own data folder is made on first use, as the program makes it.
    if (const std::string why = makeDataFolder(choice.folder); !why.empty()) {
        std::cerr << why << "\n";
        return std::nullopt;
    }
    return choice.folder;
}

void addRunDirectory(CLI::App* command, RunDirectoryArgument& argument) {
    // A positional whose check fails is left for the next one.
    command->validate_positionals();
    CLI::Option* rundir =
        command
            ->add_option("rundir", argument.given,
                         "The folder that holds user/, books/, data/ (default: --data-dir, "
                         "QINGHE_DATA_DIR, the tool's own folder when it is a portable copy, "
                         "else ~/.local/share/qinghe)")
            ->check(CLI::ExistingDirectory);
    // Only as the first positional: a folder given later (export-entry's
    // destination) is that argument, never the run directory. The parser
    // offers each word to the first positional still empty, so without this a
    // folder anywhere would be taken.
    rundir->check(CLI::Validator(
        [command, rundir](const std::string&) -> std::string {
            for (const CLI::Option* parsed : command->parse_order()) {
                if (parsed == rundir) break;
                if (parsed->get_positional()) return "RUNDIR must come first";
            }
            return {};
        },
        "", "first"));
    command
        ->add_option("--data-dir", argument.dataDir,
                     "The run directory, as RUNDIR (for scripts that name it as the program is "
                     "given it)")
        ->check(CLI::ExistingDirectory)
        ->excludes(rundir);
}

}  // namespace qinghe::cli
