#include "ledger/ledger_figures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "common/exact_sum.h"
#include "common/ole_date.h"
#include "config/ini_file.h"
#include "entry/ledger_rows.h"
#include "store/chunk_pool.h"
#include "store/key_streams.h"
#include "store/table_file.h"
#include "tables/schemas.h"

namespace qinghe::ledger {

namespace {

constexpr char kMagic[] = "qinghe ledger figures 1";
// A file changed within this much of when its figures were read may change
// again without its stamp showing it (file times are kept coarser than a
// nanosecond): such figures are not kept.
constexpr std::int64_t kRacyNs = 2'000'000'000;

std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

std::optional<std::string> unhex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

// Exact text of a double: its bits, so that nothing is rounded on the way.
std::string bitsText(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, bits);
    return text;
}

std::optional<double> bitsValue(const std::string& text) {
    if (text.size() != 16) return std::nullopt;
    auto bytes = unhex(text);
    if (!bytes) return std::nullopt;
    std::uint64_t bits = 0;
    for (unsigned char c : *bytes) bits = bits << 8 | c;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<LedgerFigures> readLedgerFigures(store::FileSystem& files,
                                               const std::filesystem::path& table) {
    store::ChunkPool pool;
    auto keys = std::make_shared<store::KeyStreams>(tables::kStorePassword, 0);
    auto file = store::TableFile::open(files, table, keys, pool, store::Access::ReadOnly);
    if (!file) return std::nullopt;
    auto find = [&](std::string_view name, store::FieldType type) -> const store::FieldInfo* {
        const int index = file->fieldIndex(name);
        if (index < 0) return nullptr;
        const auto& field = file->fields()[static_cast<std::size_t>(index)];
        return field.type == type ? &field : nullptr;
    };
    const auto* date = find(tables::field::kDate, store::FieldType::DateTime);
    const auto* direction = find(tables::field::kDirection, store::FieldType::Integer);
    const auto* amount = find(tables::field::kAmount, store::FieldType::Double);
    if (!date || !direction || !amount) return std::nullopt;
    LedgerFigures figures;
    ExactSum income, expense;
    const std::int32_t count = file->recordCount();
    const auto recordSize = static_cast<std::uint64_t>(file->header().recordSize);
    for (std::int32_t i = 0; i < count; ++i) {
        // What was read is freed as the walk goes: it never holds the file.
        if (i % 4096 == 0)
            file->releaseChunksBefore(file->recordsOffset() +
                                      static_cast<std::uint64_t>(i) * recordSize);
        const std::uint8_t* record = file->record(i);
        if (!record) return std::nullopt;
        const double value = store::loadF64(record + amount->offset);
        const bool isIncome =
            directionFromStored(store::loadI32(record + direction->offset)) == Direction::Income;
        (isIncome ? income : expense).add(value);
        const double day = clampDate(store::loadF64(record + date->offset));
        if (i == 0 || day > figures.latest) figures.latest = day;
    }
    figures.entries = count;
    figures.income = income.value();
    figures.expense = expense.value();
    return figures;
}

LedgerFigures figuresOf(const LedgerRows& rows) {
    LedgerFigures figures;
    figures.entries = static_cast<std::int32_t>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0 || rows.date(i) > figures.latest) figures.latest = rows.date(i);
    }
    figures.income = rows.incomeTotal();
    figures.expense = rows.expenseTotal();
    return figures;
}

std::optional<FileStamp> stampOf(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    // A table with a change log beside it holds changes its data file may not
    // show yet (an open table writes them at its close): nothing about the
    // data file alone tells them apart.
    struct stat log {};
    if (::stat(store::TableFile::logPath(file).c_str(), &log) == 0) return std::nullopt;
    return FileStamp{
        static_cast<std::uint64_t>(status.st_size),
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::filesystem::path FiguresCache::fileIn(const std::filesystem::path& cacheFolder) {
    return cacheFolder / "summary.cache";
}

FiguresCache FiguresCache::load(const std::filesystem::path& file) {
    FiguresCache cache;
    // Read at once: this runs before the main window shows.
    std::string text;
    {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return cache;
        char buffer[16384];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.size() > (std::size_t{8} << 20)) break;  // no cache is that large
        }
        ::close(fd);
    }
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kMagic) return cache;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key, latest, income, expense;
        Entry entry;
        if (!(fields >> key >> entry.stamp.size >> entry.stamp.modifiedNs >>
              entry.figures.entries >> latest >> income >> expense)) {
            return FiguresCache{};  // damaged: as if there were none
        }
        auto saveTo = unhex(key);
        auto latestValue = bitsValue(latest);
        auto incomeValue = bitsValue(income);
        auto expenseValue = bitsValue(expense);
        if (!saveTo || !latestValue || !incomeValue || !expenseValue || entry.figures.entries < 0)
            return FiguresCache{};
        entry.figures.latest = *latestValue;
        entry.figures.income = *incomeValue;
        entry.figures.expense = *expenseValue;
        cache.entries_[*saveTo] = entry;
    }
    return cache;
}

std::optional<LedgerFigures> FiguresCache::find(const std::string& saveTo,
                                                const FileStamp& stamp) const {
    auto it = entries_.find(saveTo);
    if (it == entries_.end() || !(it->second.stamp == stamp)) return std::nullopt;
    return it->second.figures;
}

void FiguresCache::put(const std::string& saveTo, const FileStamp& stamp,
                       const LedgerFigures& figures, std::int64_t nowNs) {
    if (nowNs - stamp.modifiedNs < kRacyNs) {
        // Too fresh to trust later: left out (an older entry would be stale too).
        changed_ = entries_.erase(saveTo) > 0 || changed_;
        return;
    }
    auto& entry = entries_[saveTo];
    if (entry.stamp == stamp && entry.figures == figures) return;
    entry = {stamp, figures};
    changed_ = true;
}

void FiguresCache::keepOnly(const std::map<std::string, bool>& saveTos) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (saveTos.count(it->first) == 0) {
            it = entries_.erase(it);
            changed_ = true;
        } else {
            ++it;
        }
    }
}

bool FiguresCache::save(const std::filesystem::path& file) {
    std::string text = std::string(kMagic) + "\n";
    for (const auto& [saveTo, entry] : entries_) {
        text += hex(saveTo) + " " + std::to_string(entry.stamp.size) + " " +
                std::to_string(entry.stamp.modifiedNs) + " " +
                std::to_string(entry.figures.entries) + " " + bitsText(entry.figures.latest) + " " +
                bitsText(entry.figures.income) + " " + bitsText(entry.figures.expense) + "\n";
    }
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (!writeFileWhole(file, text)) return false;
    changed_ = false;
    return true;
}

}  // namespace qinghe::ledger
