#pragma once

#include <CLI/CLI.hpp>

namespace qinghe::cli {

// Each command adds itself to the tool; the result code of the command that
// ran is left in `exitCode`.
void addDumpCommand(CLI::App& app, int& exitCode);
void addCheckCommand(CLI::App& app, int& exitCode);
void addRepairCommand(CLI::App& app, int& exitCode);
// These work on a run directory through the core, as the program does.
void addLedgersCommand(CLI::App& app, int& exitCode);
void addEntriesCommand(CLI::App& app, int& exitCode);
void addCreateLedgerCommand(CLI::App& app, int& exitCode);
// backup, backups and restore.
void addBackupCommands(CLI::App& app, int& exitCode);
void addVouchersCommand(CLI::App& app, int& exitCode);
// add-entry, change-entry, delete-entry, clear-entries, items and members.
void addEntryCommands(CLI::App& app, int& exitCode);
// query, stats, export-entry and export-csv.
void addReportCommands(CLI::App& app, int& exitCode);
// import: a bill of the payment apps or a bank into a ledger.
void addImportCommand(CLI::App& app, int& exitCode);

}  // namespace qinghe::cli
