#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/captured_lists.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/ledger_command.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "common/gbk.h"
#include "common/ole_date.h"
#include "entry/entry_list.h"
#include "import/bill_preview.h"
#include "import/bill_source.h"
#include "import/import_texts.h"
#include "import/imported_numbers.h"
#include "session/app_state.h"

// `import`: a bill into a ledger through the same core as the window "导入账单":
// the rows the window would tick are imported in one change; one JSON line
// per row of the file, then a summary. Exit 0 done (also when nothing was
// new), 1 refused (the reason on stderr; nothing changed), 2 usage.

namespace qinghe::cli {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;

struct ImportOptions {
    RunDirectoryArgument runDirectory;
    std::int32_t ledger = 0;
    std::string file;
    std::optional<std::string> zipPassword;
    std::vector<std::string> maps;
    std::optional<std::string> member;
    std::vector<std::string> itemMaps;
    bool dryRun = false;
    std::optional<std::string> ledgerPassword;
};

// "FIELD=VALUE" split at its first "=".
std::optional<std::pair<std::string, std::string>> splitPair(const std::string& text) {
    const std::size_t at = text.find('=');
    if (at == std::string::npos || at == 0 || at + 1 == text.size()) return std::nullopt;
    return std::make_pair(text.substr(0, at), text.substr(at + 1));
}

// --map as a mapping over the header's columns (given by name or 1-based number).
std::optional<import::ColumnMapping> mappingOf(const std::vector<std::string>& maps,
                                               const std::vector<std::string>& columns) {
    import::ColumnMapping mapping;
    for (const std::string& map : maps) {
        const auto pair = splitPair(map);
        const auto field = pair ? import::mappedFieldNamed(pair->first) : std::nullopt;
        if (!field) {
            std::cerr << "--map takes FIELD=COLUMN, FIELD one of date, time, amount, income, "
                         "expense, direction, item, member, counterparty, note: "
                      << map << "\n";
            return std::nullopt;
        }
        std::optional<std::size_t> column;
        const std::string& given = pair->second;
        if (given.find_first_not_of("0123456789") == std::string::npos && given.size() < 6) {
            const std::size_t number = std::stoul(given);
            if (number >= 1 && number <= columns.size()) column = number - 1;
        } else if (const auto name = utf8ToGbk(given)) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                if (columns[i] == *name) column = i;
            }
        }
        if (!column) {
            std::cerr << "the bill has no column " << given << " (its columns:";
            for (const std::string& name : columns) std::cerr << " " << gbkToUtf8Lossy(name);
            std::cerr << ")\n";
            return std::nullopt;
        }
        mapping[*field] = column;
    }
    return mapping;
}

const char* statusName(import::RowStatus status) {
    switch (status) {
        case import::RowStatus::New:
            return "new";
        case import::RowStatus::Duplicate:
            return "duplicate";
        case import::RowStatus::PossibleDuplicate:
            return "possible-duplicate";
        case import::RowStatus::Skipped:
            break;
    }
    return "skipped";
}

const char* formatName(import::BillFormat format) {
    switch (format) {
        case import::BillFormat::Alipay:
            return "alipay";
        case import::BillFormat::AlipayWeb:
            return "alipay-web";
        case import::BillFormat::WeChat:
            return "wechat";
        case import::BillFormat::Mapped:
            break;
    }
    return "mapped";
}

std::string dateTimeText(double date) {
    const double day = std::floor(date);
    const int seconds = static_cast<int>(std::lround((date - day) * 86400.0));
    char time[16];
    std::snprintf(time, sizeof time, " %02d:%02d:%02d", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    return dateToText(date) + time;
}

int runImport(const ImportOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledgerPassword, wrong);
    std::optional<std::string> member;
    if (options.member) {
        member = utf8ToGbk(*options.member);
        if (!member) {
            std::cerr << "the member cannot be written in GBK\n";
            wrong = true;
        }
    }
    std::vector<std::pair<std::string, std::string>> itemMaps;
    for (const std::string& text : options.itemMaps) {
        const auto pair = splitPair(text);
        const auto category = pair ? utf8ToGbk(pair->first) : std::nullopt;
        const auto item = pair ? utf8ToGbk(pair->second) : std::nullopt;
        if (!category || !item) {
            std::cerr << "--item-map takes CATEGORY=ITEM, both GBK texts: " << text << "\n";
            return kUsage;
        }
        itemMaps.emplace_back(*category, *item);
    }
    if (wrong) return kRefused;
    RunSession session(options.runDirectory,
                       options.dryRun ? SessionUse::Reading : SessionUse::Writing,
                       std::move(password));
    if (!session.ready()) return kRefused;
    AppState& state = session.state();
    CapturedLists view;
    if (!openLedgerOrTell(state, options.ledger, view)) return kRefused;
    const auto table = entry::currentLedgerTable(state);
    auto numbers = table ? import::settleImportedNumbers(state, *table) : std::nullopt;
    if (!numbers) {
        std::cerr << gbkToUtf8Lossy(import::texts::kNumbersDamaged) << "\n";
        return kRefused;
    }

    bool passwordTried = false;
    auto askPassword = [&](bool wrongBefore) -> std::optional<std::string> {
        if (wrongBefore || passwordTried || !options.zipPassword) return std::nullopt;
        passwordTried = true;
        // As typed: the archive may have been made with either encoding.
        return *options.zipPassword;
    };
    import::BillSource source;
    switch (import::openBillSource(state.files, state.user, options.file, askPassword, source)) {
        case import::SourceOutcome::Opened:
            break;
        case import::SourceOutcome::Cancelled:
            std::cerr << (options.zipPassword ? "the ZIP password is wrong (--zip-password)\n"
                                              : "the ZIP archive needs its password "
                                                "(--zip-password)\n");
            return kRefused;
        case import::SourceOutcome::Refused:
            return kRefused;  // the core has said why
    }
    import::BillImportModel model(state, std::move(source), std::move(*numbers), &view);
    model.load();
    if (!model.finishLoad()) return kRefused;
    if (model.mapped()) {
        if (!options.maps.empty()) {
            const auto mapping = mappingOf(options.maps, model.columnNames());
            if (!mapping) return kUsage;
            if (!model.setMapping(*mapping)) return kRefused;
        } else if (!model.mappingRemembered() || !model.mappingProblem().empty()) {
            std::cerr << gbkToUtf8Lossy(
                             import::aboutFile(model.fileName(), import::texts::kNeedsMapping))
                      << " (--map FIELD=COLUMN)\n";
            return kRefused;
        }
    } else if (!options.maps.empty()) {
        std::cerr << "--map is for bills of no known form; this is a " << formatName(model.format())
                  << " bill\n";
        return kUsage;
    }
    for (const auto& [category, item] : itemMaps) {
        if (!model.setItemForCategory(category, item))
            std::cerr << "no row of the bill has the category " << gbkToUtf8Lossy(category) << "\n";
    }
    if (member) model.setMemberForAll(*member);

    const std::vector<import::PreviewRow> shown = model.rows();
    std::vector<std::string> statuses;
    for (std::size_t i = 0; i < shown.size(); ++i) statuses.push_back(model.statusText(i));
    const std::size_t ticked = model.tickedCount();
    bool imported = false;
    if (!options.dryRun && ticked > 0) {
        if (!model.importTicked()) return kRefused;  // the core has said why
        imported = true;
    }
    std::size_t counts[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const import::PreviewRow& row = shown[i];
        ++counts[static_cast<int>(row.status)];
        printLine({{"line", row.line},
                   {"status", statusName(row.status)},
                   {"reason", shownText(statuses[i])},
                   {"ticked", row.ticked},
                   {"imported", imported && row.ticked},
                   {"date", dateTimeText(row.date)},
                   {"direction", row.direction == Direction::Income ? "income" : "expense"},
                   {"amount", row.amount.digits},
                   {"item", shownText(row.item)},
                   {"member", shownText(row.member)},
                   {"note", shownText(row.note)},
                   {"number", row.key}});
    }
    printLine(
        {{"summary", true},
         {"format", formatName(model.format())},
         {"rows", shown.size()},
         {"new", counts[static_cast<int>(import::RowStatus::New)]},
         {"duplicates", counts[static_cast<int>(import::RowStatus::Duplicate)]},
         {"possible_duplicates", counts[static_cast<int>(import::RowStatus::PossibleDuplicate)]},
         {"skipped", counts[static_cast<int>(import::RowStatus::Skipped)]},
         {"ticked", ticked},
         {"imported", imported ? ticked : 0},
         {"dry_run", options.dryRun}});
    return kDone;
}

}  // namespace

void addImportCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* command = app.add_subcommand(
        "import",
        "Import a bill (支付宝 or 微信支付 CSV/XLSX, also inside their password ZIP, or a bank's "
        "CSV with --map) into a ledger as the window \"导入账单\" does: what it ticks by default "
        "is added in one change, rows imported before never again. One JSON line per row of "
        "the file, then a summary. Exit 0 done (also when nothing was new), 1 refused");
    addRunDirectory(command, options->runDirectory);
    command->add_option("recno", options->ledger, "The ledger's registry record (1-based)")
        ->required();
    command->add_option("file", options->file, "The bill: .csv, .xlsx or .zip")->required();
    command->add_option("--zip-password", options->zipPassword,
                        "The password of the bill's ZIP archive");
    command->add_option("--map", options->maps,
                        "FIELD=COLUMN for a bill of no known form (COLUMN: the header's name or "
                        "its 1-based number); FIELD one of date, time, amount (signed), income, "
                        "expense, direction, item, member, counterparty, note. Remembered for "
                        "the header");
    command->add_option("--member", options->member, "The family member of every row");
    command->add_option("--item-map", options->itemMaps,
                        "CATEGORY=ITEM: the bill's category goes to this item (remembered)");
    command->add_flag("--dry-run", options->dryRun, "Show what would be imported; change nothing");
    command->add_option("--ledger-password", options->ledgerPassword,
                        "The ledger's access password, when it has one");
    command->callback([options, &exitCode] { exitCode = runImport(*options); });
}

}  // namespace qinghe::cli
