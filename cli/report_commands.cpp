// query, stats, export-entry and export-csv: the 查账 and 数据统计 pages and
// the export, through the same core functions, on a ledger opened for reading
// as the program opens it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "cli/captured_lists.h"
#include "cli/commands.h"
#include "cli/entry_line.h"
#include "cli/json_lines.h"
#include "cli/ledger_command.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/money_text.h"
#include "entry/entry_rows.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "report/csv.h"
#include "report/entry_export.h"
#include "report/export_file.h"
#include "report/export_target.h"
#include "report/query.h"
#include "report/statistics.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

// What every one of these commands is given to open a ledger.
struct LedgerOptions {
    RunDirectoryArgument runDirectory;
    std::int32_t recordNumber = 0;
    std::optional<std::string> ledgerPassword;
};

void addLedgerOptions(CLI::App* command, LedgerOptions& options) {
    addRunDirectory(command, options.runDirectory);
    command->add_option("recno", options.recordNumber, "The ledger's registry record (1-based)")
        ->required();
    command->add_option("--ledger-password", options.ledgerPassword,
                        "The ledger's access password, typed once when it asks for one");
}

// A ledger opened as the program opens it, with its rows in memory. The
// session stays: the exports read the entries' pictures from its table.
struct OpenedLedger {
    std::unique_ptr<RunSession> session;
    std::shared_ptr<const LedgerRows> rows;
};

std::optional<OpenedLedger> openLedgerForReading(const LedgerOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledgerPassword, wrong);
    if (wrong) return std::nullopt;
    OpenedLedger opened;
    opened.session = std::make_unique<RunSession>(options.runDirectory, SessionUse::Reading,
                                                  std::move(password));
    if (!opened.session->ready()) return std::nullopt;
    AppState& state = opened.session->state();
    CapturedLists view;
    if (!openLedgerOrTell(state, options.recordNumber, view)) return std::nullopt;
    if (!view.entryRows) {
        std::cerr << "the ledger was opened but its entries could not be read\n";
        return std::nullopt;
    }
    opened.rows = view.entryRows;
    return opened;
}

// A text of an option (UTF-8) as the core keeps it.
std::optional<std::string> gbkOption(const std::string& utf8, const char* what) {
    auto gbk = utf8ToGbk(utf8);
    if (!gbk) std::cerr << "the " << what << " cannot be written in GBK\n";
    return gbk;
}

// YYYY-MM-DD (or what the program's date fields take) as a day count.
std::optional<double> dateOption(const std::string& text, const char* what) {
    const double date = textToDate(text);
    // textToDate reads anything that is no date as its earliest day, 0100-01-01:
    // that day is taken only when the text names the year 100.
    const std::size_t digits = text.find_first_not_of("0123456789");
    const bool year100 =
        digits != std::string::npos && digits > 0 && textToInteger(text.substr(0, digits)) == 100;
    if (date == kEarliestDate && !year100) {
        std::cerr << "the " << what << " date \"" << text
                  << "\" is no date between 0100-01-01 and 9999-12-31 (YYYY-MM-DD)\n";
        return std::nullopt;
    }
    return date;
}

// --- query ---------------------------------------------------------------------------

struct QueryOptions {
    LedgerOptions ledger;
    std::optional<std::string> from, to;
    std::string direction = "all";
    std::optional<std::string> item, member, note;
};

std::optional<report::QueryConditions> conditionsOf(const QueryOptions& options) {
    report::QueryConditions conditions;
    if (options.from) {
        const auto date = dateOption(*options.from, "--from");
        if (!date) return std::nullopt;
        conditions.startDate = *date;
    }
    if (options.to) {
        const auto date = dateOption(*options.to, "--to");
        if (!date) return std::nullopt;
        conditions.endDate = *date;
    }
    static const std::map<std::string, std::optional<Direction>> kDirections = {
        {"all", std::nullopt}, {"income", Direction::Income}, {"expense", Direction::Expense}};
    conditions.direction = kDirections.at(options.direction);
    const struct {
        const std::optional<std::string>& option;
        std::string& condition;
        const char* what;
    } texts[] = {{options.item, conditions.item, "item"},
                 {options.member, conditions.member, "member"},
                 {options.note, conditions.note, "note"}};
    for (const auto& text : texts) {
        if (!text.option) continue;
        auto gbk = gbkOption(*text.option, text.what);
        if (!gbk) return std::nullopt;
        text.condition = std::move(*gbk);
    }
    return conditions;
}

int runQueryCommand(const QueryOptions& options) {
    const auto conditions = conditionsOf(options);
    if (!conditions) return 1;
    auto opened = openLedgerForReading(options.ledger);
    if (!opened) return 1;
    const report::QueryResult result = report::runQuery(opened->rows, *conditions);
    for (std::uint32_t row : result.matches) printLine(entryLine(*result.rows, row));
    printLine({{"total", shownText(result.totalLabel)}});
    return 0;
}

// --- stats ---------------------------------------------------------------------------

struct StatsOptions {
    LedgerOptions ledger;
    std::string unit = "day";
    std::string kind = "net";
};

int runStatsCommand(const StatsOptions& options) {
    static const std::map<std::string, int> kUnits = {
        {"day", report::kDayUnit}, {"month", report::kMonthUnit}, {"year", report::kYearUnit}};
    static const std::map<std::string, int> kKinds = {{"net", report::kSummaryKind},
                                                      {"all", report::kBothKind},
                                                      {"income", report::kIncomeKind},
                                                      {"expense", report::kExpenseKind}};
    auto opened = openLedgerForReading(options.ledger);
    if (!opened) return 1;
    const report::Statistics statistics =
        report::runStatistics(*opened->rows, kUnits.at(options.unit), kKinds.at(options.kind));
    for (const report::StatRow& row : statistics.rows) {
        printLine({{"period", shownText(row.period)},
                   {"direction", shownText(row.direction)},
                   {"amount", shownText(row.amount)}});
    }
    const report::StatChart chart = report::chartOf(statistics);
    JsonLine periods = JsonLine::array();
    for (const std::string& period : chart.periods) periods.push_back(shownText(period));
    JsonLine series = JsonLine::array();
    for (const report::ChartSeries& one : chart.series) {
        JsonLine values = JsonLine::array();
        // To the cent, as the list and the chart's bars show them.
        for (double value : one.values) values.push_back(roundMoney(value));
        series.push_back({{"name", shownText(one.name)}, {"values", std::move(values)}});
    }
    printLine({{"chart", {{"periods", std::move(periods)}, {"series", std::move(series)}}}});
    return 0;
}

// --- export-entry --------------------------------------------------------------------

struct ExportEntryOptions {
    LedgerOptions ledger;
    std::int32_t entry = 0;
    std::string folder;
    bool noText = false;
    bool noImages = false;
    bool force = false;
};

// The export's rule for the tool: never inside the data folder; replacing
// what is there only when --force says so. False (said why) to stop.
bool mayWrite(const RunDirectory& run, const std::filesystem::path& target, bool force) {
    switch (report::exportPlace(run, target)) {
        case report::ExportPlace::Free:
            return true;
        case report::ExportPlace::InsideDataFolder:
            std::cerr << target.string() << " lies inside the data folder; an export never "
                      << "writes there\n";
            return false;
        case report::ExportPlace::Occupied:
            if (force) return true;
            std::cerr << target.string() << " is there already; --force replaces it\n";
            return false;
    }
    return false;
}

int runExportEntryCommand(const ExportEntryOptions& options) {
    auto opened = openLedgerForReading(options.ledger);
    if (!opened) return 1;
    const auto entries = static_cast<std::int32_t>(opened->rows->size());
    if (options.entry < 1 || options.entry > entries) {
        std::cerr << "there is no entry at record " << options.entry << " (the ledger holds "
                  << entries << ")\n";
        return 1;
    }
    const std::filesystem::path folder = std::filesystem::absolute(options.folder);
    AppState& state = opened->session->state();
    if (!mayWrite(state.run, folder / std::to_string(options.entry), options.force)) return 1;
    const report::EntryExport result = report::exportEntry(
        state, std::size_t(options.entry - 1), folder, {!options.noText, !options.noImages});
    switch (result.outcome) {
        case report::EntryExport::Outcome::WriteFailed:
            std::cerr << "cannot write " << result.failedAt << "\n";
            return 1;
        case report::EntryExport::Outcome::Unreadable:
            std::cerr << "the entry's pictures cannot be read from the ledger's table\n";
            return 1;
        case report::EntryExport::Outcome::NoEntry:
            std::cerr << "there is no entry at record " << options.entry << "\n";
            return 1;
        case report::EntryExport::Outcome::Written:
            break;
    }
    printLine({{"folder", result.folder.string()},
               {"text", !options.noText},
               {"images", result.images},
               {"skipped", result.skipped}});
    return 0;
}

// --- export-csv ----------------------------------------------------------------------

struct ExportCsvOptions {
    LedgerOptions ledger;
    std::string file;
    bool force = false;
};

int runExportCsvCommand(const ExportCsvOptions& options) {
    auto opened = openLedgerForReading(options.ledger);
    if (!opened) return 1;
    const std::filesystem::path file = std::filesystem::absolute(options.file);
    if (!mayWrite(opened->session->state().run, file, options.force)) return 1;
    if (!report::writeEntriesCsv(file, *opened->rows, nullptr)) {
        std::cerr << "cannot write " << file << "\n";
        return 1;
    }
    printLine({{"file", file.string()}, {"rows", opened->rows->size()}});
    return 0;
}

}  // namespace

void addReportCommands(CLI::App& app, int& exitCode) {
    {
        auto options = std::make_shared<QueryOptions>();
        CLI::App* command = app.add_subcommand(
            "query",
            "Open a ledger as the program does and print the entries a query of 查账 lists, as "
            "JSON lines (as `entries` prints them), then its total label. Dates are YYYY-MM-DD, "
            "both included; 全部 as item or member restricts nothing; the note is found in any "
            "case of its ASCII letters");
        addLedgerOptions(command, options->ledger);
        command->add_option("--from", options->from, "The first day (default: any)");
        command->add_option("--to", options->to, "The last day (default: any)");
        command->add_option("--direction", options->direction, "all, income or expense")
            ->check(CLI::IsMember({"all", "income", "expense"}));
        command->add_option("--item", options->item, "The item, exactly");
        command->add_option("--member", options->member, "The member, exactly");
        command->add_option("--note", options->note, "A text the note holds");
        command->callback([options, &exitCode] { exitCode = runQueryCommand(*options); });
    }
    {
        auto options = std::make_shared<StatsOptions>();
        CLI::App* command = app.add_subcommand(
            "stats",
            "Open a ledger as the program does and print the rows of 数据统计 as JSON lines "
            "(period, direction, amount as shown), then the chart's series: the periods in date "
            "order and one list of amounts a direction");
        addLedgerOptions(command, options->ledger);
        command->add_option("--unit", options->unit, "day, month or year")
            ->check(CLI::IsMember({"day", "month", "year"}));
        command
            ->add_option("--kind", options->kind,
                         "net (汇总), all (收入 and 支出 apart), income or expense")
            ->check(CLI::IsMember({"net", "all", "income", "expense"}));
        command->callback([options, &exitCode] { exitCode = runStatsCommand(*options); });
    }
    {
        auto options = std::make_shared<ExportEntryOptions>();
        CLI::App* command = app.add_subcommand(
            "export-entry",
            "Export one entry as 导出 does: DIR/N/账目.txt (its line, GBK) and DIR/N/凭证/k.jpg "
            "(its pictures; a JPEG as stored, others encoded as JPEG, pieces that are no picture "
            "left out). Prints what was written; exit 1 when a write fails");
        addLedgerOptions(command, options->ledger);
        command->add_option("entry", options->entry, "The entry's record (1-based)")->required();
        command->add_option("dir", options->folder, "The folder to export into")->required();
        command->add_flag("--no-text", options->noText, "Leave out 账目.txt");
        command->add_flag("--no-images", options->noImages, "Leave out the pictures");
        command->add_flag("--force", options->force,
                          "Replace the entry's folder's files when "
                          "they are there already");
        command->callback([options, &exitCode] { exitCode = runExportEntryCommand(*options); });
    }
    {
        auto options = std::make_shared<ExportCsvOptions>();
        CLI::App* command = app.add_subcommand(
            "export-csv",
            "Write every entry of a ledger as CSV (UTF-8 with a byte-order mark, CRLF, a header "
            "row; amounts exact, dates YYYY-MM-DD), through a temporary file renamed into place; "
            "exit 1 when it cannot be written, when FILE lies inside the data folder, or when it "
            "is there already without --force");
        addLedgerOptions(command, options->ledger);
        command->add_option("file", options->file, "The CSV file")->required();
        command->add_flag("--force", options->force, "Replace FILE when it is there already");
        command->callback([options, &exitCode] { exitCode = runExportCsvCommand(*options); });
    }
}

}  // namespace qinghe::cli
