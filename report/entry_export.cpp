#include "report/entry_export.h"

#include <system_error>

#include "common/gbk.h"
#include "common/number_text.h"
#include "common/ole_date.h"
#include "entry/entry_list.h"
#include "entry/entry_texts.h"
#include "entry/entry_vouchers.h"
#include "entry/image_codec.h"
#include "entry/voucher_list.h"
#include "report/report_texts.h"
#include "session/app_state.h"

namespace qinghe::report {

namespace {

// Quality of pictures that were no JPEG: receipts stay legible in detail.
constexpr int kJpegQuality = 92;

// A fixed name of the export as a file name on disk (UTF-8).
std::filesystem::path diskName(std::string_view gbk) {
    return std::filesystem::path(gbkToUtf8(gbk).value_or(std::string()));
}

bool makeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return !error && std::filesystem::is_directory(folder, error);
}

// The bytes of one picture as a JPEG file; nothing when the piece is no image.
std::optional<std::string> jpegOf(std::string_view piece) {
    const auto info = entry::readImageInfo(piece);
    if (!info) return std::nullopt;
    if (info->kind == entry::ImageKind::Jpeg) return std::string(piece);
    auto decoded = entry::decodeImage(piece);
    if (!decoded) return std::nullopt;
    return entry::encodeJpeg(decoded->picture, kJpegQuality);
}

}  // namespace

std::string entryLine(const EntryValues& values) {
    std::string line = dateToText(values.date);
    line += ' ';
    line += values.member;
    line += ' ';
    line += values.item;
    line += ' ';
    line += values.direction == Direction::Income ? entry::kIncomeText : entry::kExpenseText;
    line += kAmountColon;
    line += numberToText(values.amount);
    line += ' ';
    if (!values.note.empty()) line += "[" + values.note + "]";
    return line;
}

EntryExport exportEntry(AppState& state, std::size_t row, const std::filesystem::path& folder,
                        const ExportChoice& choice, Flush flush) {
    EntryExport result;
    const auto rows = entry::currentLedgerRows(state);
    const auto table = entry::currentLedgerTable(state);
    if (!rows || !table || row >= rows->size() || folder.empty()) return result;
    const EntryValues values = rows->values(row);
    const auto recordNumber = static_cast<std::int32_t>(row + 1);

    // Appending to a folder that ends in a separator adds none: "/media/usb/"
    // gives "/media/usb/3", as a drive root does.
    result.folder = folder / std::to_string(recordNumber);
    const std::filesystem::path pictures = result.folder / diskName(kVoucherFolderName);
    auto fail = [&result](const std::filesystem::path& where) {
        result.outcome = EntryExport::Outcome::WriteFailed;
        result.failedAt = where;
        return result;
    };
    if (!makeFolder(result.folder)) return fail(result.folder);
    if (!makeFolder(pictures)) return fail(pictures);

    if (choice.data) {
        const std::filesystem::path text = result.folder / diskName(kEntryFileName);
        if (!writeExportFile(text, entryLine(values), flush)) return fail(text);
    }
    if (choice.images) {
        const auto stored = entry::readEntryVouchers(state, *table, recordNumber);
        if (!stored) {
            result.outcome = EntryExport::Outcome::Unreadable;
            return result;
        }
        int number = 0;
        for (std::string_view piece : entry::splitVoucherViews(stored->value)) {
            ++number;
            const auto jpeg = jpegOf(piece);
            if (!jpeg) {
                result.skipped.push_back(number);
                continue;
            }
            const std::filesystem::path file = pictures / (std::to_string(number) + ".jpg");
            if (!writeExportFile(file, *jpeg, flush)) return fail(file);
            ++result.images;
        }
    }
    result.outcome = EntryExport::Outcome::Written;
    return result;
}

}  // namespace qinghe::report
