#include "import/imported_numbers.h"

#include <charconv>
#include <cstring>

#include "session/app_state.h"
#include "store/md5.h"

namespace qinghe::import {

namespace {

constexpr std::string_view kFirstLine = "qinghe imported numbers 1\n";
constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

void putNumber(std::string& out, std::uint64_t value) {
    char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    out.append(bytes, 8);
}

void putDouble(std::string& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putNumber(out, bits);
}

void putText(std::string& out, std::string_view text) {
    putNumber(out, text.size());
    out.append(text);
}

void addRow(store::Md5& md5, const EntryValues& v) {
    std::string bytes;
    putDouble(bytes, v.date);
    putNumber(bytes, static_cast<std::uint32_t>(v.direction));
    putText(bytes, v.item);
    putDouble(bytes, v.amount);
    putText(bytes, v.member);
    putText(bytes, v.note);
    bytes += v.hasVoucher ? '1' : '0';
    md5.update(bytes);
}

bool parseSize(std::string_view text, std::size_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool parse(std::string_view text, ImportedNumbers& numbers) {
    if (!text.starts_with(kFirstLine)) return false;
    // The last line is "sum " and the digest of everything before it.
    const std::size_t sumAt = text.rfind("sum ");
    if (sumAt == std::string_view::npos || text.size() != sumAt + 4 + 32 + 1 || text.back() != '\n')
        return false;
    if (store::md5Hex(text.substr(0, sumAt)) != text.substr(sumAt + 4, 32)) return false;
    std::string_view body = text.substr(kFirstLine.size(), sumAt - kFirstLine.size());
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        if (end == std::string_view::npos) return false;
        const std::string_view line = body.substr(0, end);
        body.remove_prefix(end + 1);
        if (line.starts_with("n ")) {
            numbers.keys.emplace(line.substr(2));
        } else if (line.starts_with("p ")) {
            if (!numbers.pending) return false;
            numbers.pending->keys.emplace_back(line.substr(2));
        } else if (line.starts_with("pending ")) {
            // "pending BEFORE COUNT DIGEST"
            std::string_view rest = line.substr(8);
            PendingBatch batch;
            const std::size_t a = rest.find(' ');
            const std::size_t b = a == std::string_view::npos ? a : rest.find(' ', a + 1);
            if (b == std::string_view::npos || numbers.pending ||
                !parseSize(rest.substr(0, a), batch.rowsBefore) ||
                !parseSize(rest.substr(a + 1, b - a - 1), batch.rowCount))
                return false;
            batch.digest = std::string(rest.substr(b + 1));
            numbers.pending = std::move(batch);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::filesystem::path importedNumbersPath(const std::filesystem::path& table) {
    std::filesystem::path path = table;
    path.replace_extension(".imported");
    return path;
}

NumbersRead readImportedNumbers(store::FileSystem& files, const std::filesystem::path& path,
                                ImportedNumbers& numbers) {
    numbers = ImportedNumbers{};
    if (!files.exists(path)) return NumbersRead::Missing;
    auto file = files.open(path, store::OpenMode::ReadOnly);
    if (!file) return NumbersRead::Damaged;
    const auto size = file->size();
    if (!size || *size > kMaxFileBytes) return NumbersRead::Damaged;
    std::string text(static_cast<std::size_t>(*size), '\0');
    if (!text.empty() && !file->readAt(0, text.data(), text.size())) return NumbersRead::Damaged;
    if (!parse(text, numbers)) {
        numbers = ImportedNumbers{};
        return NumbersRead::Damaged;
    }
    return NumbersRead::Read;
}

bool writeImportedNumbers(store::FileSystem& files, const std::filesystem::path& path,
                          const ImportedNumbers& numbers, FolderFlush folderFlush) {
    std::string text(kFirstLine);
    std::vector<std::string_view> sorted(numbers.keys.begin(), numbers.keys.end());
    std::sort(sorted.begin(), sorted.end());
    for (const std::string_view key : sorted) {
        text += "n ";
        text += key;
        text += '\n';
    }
    if (const auto& batch = numbers.pending) {
        text += "pending " + std::to_string(batch->rowsBefore) + " " +
                std::to_string(batch->rowCount) + " " + batch->digest + "\n";
        for (const std::string& key : batch->keys) {
            text += "p ";
            text += key;
            text += '\n';
        }
    }
    text += "sum " + store::md5Hex(text) + "\n";

    std::filesystem::path building = path;
    building += ".new";
    auto file = files.open(building, store::OpenMode::Create);
    if (!file) return false;
    const bool written = file->writeAt(0, text.data(), text.size()) && file->sync();
    file.reset();
    if (!written || !files.rename(building, path) ||
        (folderFlush == FolderFlush::Now && !files.syncFolder(path.parent_path()))) {
        static_cast<void>(files.remove(building));
        return false;
    }
    return true;
}

std::string rowsDigest(const std::vector<EntryValues>& rows) {
    store::Md5 md5;
    for (const EntryValues& row : rows) addRow(md5, row);
    return store::digestToHex(md5.finish());
}

std::string rowsDigest(const LedgerRows& rows, std::size_t first, std::size_t count) {
    store::Md5 md5;
    for (std::size_t row = first; row < first + count && row < rows.size(); ++row)
        addRow(md5, rows.values(row));
    return store::digestToHex(md5.finish());
}

std::optional<ImportedNumbers> settleImportedNumbers(AppState& state,
                                                     const std::filesystem::path& table,
                                                     NumbersRead* how) {
    const std::filesystem::path path = importedNumbersPath(table);
    ImportedNumbers numbers;
    const NumbersRead read = readImportedNumbers(state.files, path, numbers);
    if (how) *how = read;
    if (read == NumbersRead::Damaged) return std::nullopt;
    if (!numbers.pending) return numbers;
    const auto& rows = state.currentLedger.rows;
    // Without the table's rows nothing can be decided: the batch waits.
    if (!rows) return std::nullopt;
    const PendingBatch batch = std::move(*numbers.pending);
    numbers.pending.reset();
    const bool made = rows->size() >= batch.rowsBefore + batch.rowCount &&
                      rowsDigest(*rows, batch.rowsBefore, batch.rowCount) == batch.digest;
    if (made) numbers.keys.insert(batch.keys.begin(), batch.keys.end());
    if (!state.tables.readOnly() && !writeImportedNumbers(state.files, path, numbers))
        return std::nullopt;
    return numbers;
}

}  // namespace qinghe::import
