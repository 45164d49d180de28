#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <optional>
#include <string>

namespace qinghe::cli {

// The run directory of a command: an optional first positional RUNDIR, or
// --data-dir DIR; without either, the same rule as the program's
// (QINGHE_DATA_DIR, the tool's own folder when it is a portable copy, else
// ~/.local/share/qinghe, made when missing).
struct RunDirectoryArgument {
    std::string given;    // RUNDIR
    std::string dataDir;  // --data-dir

    // The folder the command works on; nothing when none can be had, the
    // reason printed.
    std::optional<std::filesystem::path> resolve() const;
};

// Adds [RUNDIR] and --data-dir to a command. Call it before the command's
// other positionals: a first argument that is not an existing folder goes to
// the next positional, so `entries 1` works as well as `entries DIR 1`.
void addRunDirectory(CLI::App* command, RunDirectoryArgument& argument);

}  // namespace qinghe::cli
