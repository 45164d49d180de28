#pragma once

#include <CLI/CLI.hpp>

namespace qinghe::cli {

// Each command adds itself to the tool; the result code of the command that
// ran is left in `exitCode`.
void addDumpCommand(CLI::App& app, int& exitCode);
void addCheckCommand(CLI::App& app, int& exitCode);

}  // namespace qinghe::cli
