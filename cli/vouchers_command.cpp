#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "cli/captured_lists.h"
#include "cli/commands.h"
#include "cli/json_lines.h"
#include "cli/ledger_command.h"
#include "cli/run_directory_argument.h"
#include "cli/run_session.h"
#include "entry/entry_list.h"
#include "entry/entry_vouchers.h"
#include "entry/image_codec.h"
#include "entry/voucher_files.h"
#include "entry/voucher_list.h"
#include "ledger/ledger_opening.h"
#include "ledger/registry.h"
#include "session/app_state.h"

namespace qinghe::cli {
namespace {

struct VouchersOptions {
    RunDirectoryArgument runDirectory;
    std::int32_t ledger = 0;
    std::int32_t entry = 0;
    std::optional<std::string> outFolder;
    std::optional<std::string> ledgerPassword;
};

// One image of the list: where it stands, how large it is, what it is.
JsonLine imageLine(int index, std::string_view bytes) {
    JsonLine line = {{"index", index}, {"bytes", bytes.size()}};
    if (const auto info = entry::readImageInfo(bytes)) {
        line["kind"] = entry::imageKindName(info->kind);
        line["width"] = info->size.width;
        line["height"] = info->size.height;
    } else {
        line["kind"] = entry::imageKindName(entry::ImageKind::Unknown);
        line["width"] = nullptr;
        line["height"] = nullptr;
    }
    return line;
}

int runVouchers(const VouchersOptions& options) {
    bool wrong = false;
    auto password = ledgerPasswordInGbk(options.ledgerPassword, wrong);
    if (wrong) return 1;
    RunSession session(options.runDirectory, SessionUse::Reading, std::move(password));
    if (!session.ready()) return 1;
    AppState& state = session.state();
    CapturedLists view;
    if (!openLedgerOrTell(state, options.ledger, view)) return 1;
    const auto table = entry::currentLedgerTable(state);
    const std::int32_t entries =
        view.entryRows ? static_cast<std::int32_t>(view.entryRows->size()) : 0;
    const auto stored =
        table ? entry::readEntryVouchers(state, *table, options.entry) : std::nullopt;
    if (!stored) {
        std::cerr << "there is no entry at record " << options.entry << " (the ledger holds "
                  << entries << ")\n";
        return 1;
    }

    std::filesystem::path out;
    if (options.outFolder) {
        out = *options.outFolder;
        std::error_code error;
        std::filesystem::create_directories(out, error);
        if (error || !std::filesystem::is_directory(out)) {
            std::cerr << "cannot make the folder " << out << "\n";
            return 1;
        }
    }
    const auto images = entry::splitVoucherViews(stored->value);
    int index = 0;
    for (std::string_view bytes : images) {
        ++index;
        JsonLine line = imageLine(index, bytes);
        if (options.outFolder) {
            const entry::ImageKind kind = entry::imageKind(bytes);
            const std::filesystem::path file =
                out / ("voucher-" + std::to_string(index) + "." + entry::imageFileExtension(kind));
            if (!entry::writeVoucherFile(file, bytes)) {
                std::cerr << "cannot write " << file << "\n";
                return 1;
            }
            line["file"] = file.string();
        }
        printLine(line);
    }
    return 0;
}

}  // namespace

void addVouchersCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<VouchersOptions>();
    CLI::App* command = app.add_subcommand(
        "vouchers",
        "Open a ledger as the program does and list the voucher images of one entry as JSON "
        "lines (index, bytes, kind, width, height); with --out, write each image as a file of "
        "its own. Exit 1 when the ledger or the entry cannot be read");
    addRunDirectory(command, options->runDirectory);
    command->add_option("recno", options->ledger, "The ledger's registry record (1-based)")
        ->required();
    command->add_option("entry", options->entry, "The entry's record in the ledger (1-based)")
        ->required();
    command->add_option("--out", options->outFolder,
                        "A folder (made when missing) for the images, named voucher-N.jpg/.png/"
                        ".bmp (.bin for bytes that are no picture); existing files are replaced");
    command->add_option("--ledger-password", options->ledgerPassword,
                        "The ledger's access password, typed once when it asks for one");
    command->callback([options, &exitCode] { exitCode = runVouchers(*options); });
}

}  // namespace qinghe::cli
