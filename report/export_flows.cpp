#include "report/export_flows.h"

#include "common/gbk.h"
#include "common/number_text.h"
#include "common/standard_messages.h"
#include "common/user_interaction.h"
#include "entry/entry_list.h"
#include "report/csv.h"
#include "report/export_target.h"
#include "report/report_texts.h"
#include "session/app_state.h"

namespace qinghe::report {

namespace {

void tellDone(AppState& state, std::string text) {
    state.user.showMessage(
        {std::move(text), kDoneTitle, MessageIcon::Information, MessageButtons::Ok});
}

void tellNothing(AppState& state, std::string text) {
    state.user.showMessage(
        {std::move(text), kNoticeTitle, MessageIcon::Information, MessageButtons::Ok});
}

std::string writeFailure(const std::filesystem::path& where) {
    return kExportFailedPrefix + pathToGbk(where) + kExportFailedSuffix;
}

// "第2张、第4张"
std::string pieceList(const std::vector<int>& pieces) {
    std::string list;
    for (int piece : pieces) {
        if (!list.empty()) list += kListSeparator;
        list += kPieceNumberPrefix + integerToText(piece) + kPieceNumberSuffix;
    }
    return list;
}

}  // namespace

std::optional<ExportChoice> askExportChoice(AppState& state) {
    std::optional<ExportChoice> choice;
    FormRequest request{FormKind::ExportChoice, {"1", "1"}};
    state.user.runForm(request, [&choice](const std::vector<std::string>& fields) {
        auto ticked = [&fields](std::size_t field) {
            return field >= fields.size() || fields[field] != "0";
        };
        choice = ExportChoice{ticked(0), ticked(1)};
        return true;
    });
    return choice;
}

void tellExportOutcome(AppState& state, const EntryExport& result) {
    switch (result.outcome) {
        case EntryExport::Outcome::Written: {
            std::string text = kExportDone;
            if (!result.skipped.empty())
                text += "\n" + (kSkippedPrefix + pieceList(result.skipped));
            tellDone(state, std::move(text));
            return;
        }
        case EntryExport::Outcome::WriteFailed:
            showError(state.user, writeFailure(result.failedAt));
            return;
        case EntryExport::Outcome::Unreadable:
            showError(state.user, kVouchersUnreadable);
            return;
        case EntryExport::Outcome::NoEntry:
            return;  // nothing was selected that exists: nothing to tell
    }
}

std::optional<EntryExport> exportEntryCommand(AppState& state, std::optional<std::size_t> row) {
    if (!row) return std::nullopt;
    const auto folder = state.user.chooseFolder(kChooseExportFolder, state.run.root());
    if (!folder || folder->empty()) return std::nullopt;
    if (!mayExportTo(state, *folder / std::to_string(*row + 1))) return std::nullopt;
    const auto choice = askExportChoice(state);
    if (!choice) return std::nullopt;
    EntryExport result = exportEntry(state, *row, *folder, *choice);
    tellExportOutcome(state, result);
    return result;
}

std::size_t exportAllCommand(AppState& state) {
    const auto rows = entry::currentLedgerRows(state);
    if (!rows) return 0;
    if (rows->empty()) {
        tellNothing(state, kNothingToExport);
        return 0;
    }
    const auto folder = state.user.chooseFolder(kChooseExportFolder, state.run.root());
    if (!folder || folder->empty()) return 0;
    // Asked once for all: the first entry's folder that is there already.
    std::filesystem::path first = *folder / "1";
    for (std::size_t row = 0; row < rows->size(); ++row) {
        std::filesystem::path place = *folder / std::to_string(row + 1);
        if (exportPlace(state.run, place) != ExportPlace::Free) {
            first = std::move(place);
            break;
        }
    }
    if (!mayExportTo(state, first)) return 0;
    const auto choice = askExportChoice(state);
    if (!choice) return 0;

    std::size_t exported = 0;
    EntryExport failure;
    std::string skipped;  // "第3条账目的第2张、…"
    state.user.runWithProgress(kExportingAll, [&] {
        // One flush of the disk at the end instead of one a file: thousands
        // of entries take seconds, not minutes.
        for (std::size_t row = 0; row < rows->size(); ++row) {
            EntryExport result = exportEntry(state, row, *folder, *choice, Flush::Later);
            if (!result.written()) {
                failure = std::move(result);
                return;
            }
            for (int piece : result.skipped) {
                if (!skipped.empty()) skipped += kListSeparator;
                skipped += kPieceNumberPrefix + integerToText(std::int64_t(row) + 1) +
                           kEntryNumberMiddle + kPieceNumberPrefix + integerToText(piece) +
                           kPieceNumberSuffix;
            }
            ++exported;
        }
        if (!syncFileSystemOf(*folder)) {
            failure.outcome = EntryExport::Outcome::WriteFailed;
            failure.failedAt = *folder;
        }
    });
    if (failure.outcome != EntryExport::Outcome::NoEntry) {
        tellExportOutcome(state, failure);
        return exported;
    }
    std::string text = kExportDone;
    text += kExportedCountPrefix + integerToText(std::int64_t(exported)) + kExportedCountSuffix;
    if (!skipped.empty()) text += "\n" + (kSkippedPrefix + skipped);
    tellDone(state, std::move(text));
    return exported;
}

bool saveCsvCommand(AppState& state, const std::string& suggestedName,
                    const std::function<bool(const std::filesystem::path&)>& write) {
    auto file = state.user.chooseSaveFile({kCsvTitle, suggestedName, {kCsvFilter}});
    if (!file || file->empty()) return false;
    if (!file->has_extension()) file->replace_extension(".csv");
    if (!mayExportTo(state, *file)) return false;
    if (!write(*file)) {
        showError(state.user, kCsvFailedPrefix + pathToGbk(*file) + kCsvFailedSuffix);
        return false;
    }
    tellDone(state, kCsvDone);
    return true;
}

bool exportQueryCsvCommand(AppState& state, const LedgerRows& rows,
                           const std::vector<std::uint32_t>* matches) {
    if ((matches ? matches->size() : rows.size()) == 0) {
        tellNothing(state, kNoQueryRows);
        return false;
    }
    return saveCsvCommand(state, kQueryCsvName, [&](const std::filesystem::path& file) {
        return writeEntriesCsv(file, rows, matches);
    });
}

bool exportStatisticsCsvCommand(AppState& state, const Statistics& statistics) {
    if (statistics.rows.empty()) {
        tellNothing(state, kNoStatisticsRows);
        return false;
    }
    return saveCsvCommand(state, kStatisticsCsvName, [&](const std::filesystem::path& file) {
        return writeExportFile(file, statisticsCsv(statistics));
    });
}

}  // namespace qinghe::report
