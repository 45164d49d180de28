#include "store/table_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

#include "common/clock.h"
#include "common/gbk.h"
#include "common/ole_date.h"

namespace qinghe::store {
namespace {

bool pathTextEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca += 32;
        if (cb >= 'A' && cb <= 'Z') cb += 32;
        if (ca != cb) return false;
    }
    return true;
}

bool isNumeric(const Value& value) {
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            return std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;
        },
        value);
}

template <typename T>
T convertNumber(const Value& value) {
    return std::visit(
        [](const auto& v) -> T {
            using S = std::decay_t<decltype(v)>;
            if constexpr (std::is_arithmetic_v<S> && !std::is_same_v<S, bool>) {
                if constexpr (std::is_integral_v<T> && std::is_floating_point_v<S>) {
                    // Out-of-range values saturate instead of being undefined.
                    if (std::isnan(v)) return T{0};
                    if (v >= static_cast<S>(std::numeric_limits<T>::max()))
                        return std::numeric_limits<T>::max();
                    if (v <= static_cast<S>(std::numeric_limits<T>::min()))
                        return std::numeric_limits<T>::min();
                    return static_cast<T>(v);
                } else {
                    return static_cast<T>(v);
                }
            } else {
                return T{};
            }
        },
        value);
}

template <typename T>
void storeLittle(std::uint8_t* out, T value) {
    std::make_unsigned_t<T> bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < sizeof bits; ++i) out[i] = std::uint8_t(bits >> (8 * i));
}

template <typename T>
T loadLittle(const std::uint8_t* in) {
    std::make_unsigned_t<T> bits = 0;
    for (std::size_t i = sizeof bits; i-- > 0;) bits = (bits << 8) | in[i];
    T value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

template <>
void storeLittle<float>(std::uint8_t* out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    storeLittle<std::uint32_t>(out, bits);
}

template <>
float loadLittle<float>(const std::uint8_t* in) {
    auto bits = loadLittle<std::uint32_t>(in);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

}  // namespace

TableStore::TableStore(FileSystem& files, const Clock& clock, std::size_t cacheBudget)
    : files_(files), clock_(clock), pool_(cacheBudget) {}

TableStore::~TableStore() {
    // Whoever must know closes the tables first (closeAll).
    static_cast<void>(closeAll());
}

std::filesystem::path TableStore::fullPath(const std::filesystem::path& path) {
    std::filesystem::path result = path;
    std::string name = result.filename().string();
    if (!name.empty() && name.back() == '.') {
        result += "EDB";
    } else if (!result.has_extension()) {
        result += ".EDB";
    }
    std::error_code error;
    auto absolute = std::filesystem::absolute(result, error);
    return (error ? result : absolute).lexically_normal();
}

std::shared_ptr<KeyStreams> TableStore::keysFor(std::string_view password) {
    if (password.empty()) return nullptr;
    auto& keys = keys_[std::string(password)];
    if (!keys) keys = std::make_shared<KeyStreams>(password);
    return keys;
}

bool TableStore::create(const std::filesystem::path& path,
                        const std::vector<FieldDescription>& fields) {
    if (path.empty() || readOnly_) return false;
    return TableFile::create(files_, fullPath(path), fields, clock_.now());
}

bool TableStore::createTable(const std::filesystem::path& path,
                             const std::vector<FieldDescription>& fields, std::string_view password,
                             const std::function<bool(TableStore&)>& fill) {
    if (path.empty() || readOnly_) return false;
    const auto full = fullPath(path);
    if (isOpen(full)) return false;
    std::filesystem::path building = full;
    building += ".new";
    auto removeBuilding = [&] {
        static_cast<void>(close(building.string()));
        // Left behind, they are replaced by the next build of this name.
        if (auto companion = CompanionFile::find(files_, building))
            static_cast<void>(files_.remove(*companion));
        static_cast<void>(files_.remove(building));
        static_cast<void>(files_.remove(TableFile::logPath(building)));
    };
    if (!TableFile::create(files_, building, fields, clock_.now())) {
        removeBuilding();
        return false;
    }
    OpenTable* before = current_;
    bool ok = open(building, "", "");
    if (ok) {
        // Written into its files before it takes the name: nothing of it may
        // stay in a log beside the name it is built under.
        ok = (!fill || fill(*this)) && commit() && (password.empty() || setPassword(password)) &&
             current_->file->checkpoint();
        ok = close(building.string()) && ok;
    }
    current_ = before;
    // A log left by an earlier table of this name would be replayed over the
    // new one at its first open: it goes for good before the new table comes.
    ok = ok && files_.remove(TableFile::logPath(full)) && files_.syncFolder(full.parent_path());
    const auto builtCompanion = ok ? CompanionFile::find(files_, building) : std::nullopt;
    if (ok && builtCompanion) {
        // A companion of this name under another spelling would be found first.
        if (auto old = CompanionFile::find(files_, full);
            old && *old != CompanionFile::pathFor(full) && !files_.remove(*old))
            ok = false;
        ok = ok && files_.rename(*builtCompanion, CompanionFile::pathFor(full));
    }
    ok = ok && files_.rename(building, full) && files_.syncFolder(full.parent_path());
    if (!ok) removeBuilding();
    return ok;
}

bool TableStore::open(const std::filesystem::path& path, std::string_view alias,
                      std::string_view password, Access access) {
    if (path.empty()) return false;
    if (!alias.empty() && !isValidName(alias)) return false;
    auto full = fullPath(path);
    if (isOpen(full)) return false;
    if (readOnly_) access = Access::ReadOnly;
    if (access == Access::ReadWrite) TableFile::removeLeftovers(files_, full);
    auto file = TableFile::open(files_, full, keysFor(password), pool_, access, asideSuffix());
    if (!file) return false;
    auto table = std::make_unique<OpenTable>();
    table->file = std::move(file);
    table->fullPath = full;
    table->baseName = full.stem().string();
    table->alias = std::string(alias);
    table->cursor = 0;
    current_ = table.get();
    tables_.push_back(std::move(table));
    if (findingsListener_ && !current_->file->findings().empty())
        findingsListener_(full, current_->file->findings(), access);
    return true;
}

bool TableStore::openForWriting(const std::filesystem::path& path, std::string_view alias,
                                std::string_view password) {
    const std::string full = fullPath(path).string();
    if (OpenTable* table = find(full)) {
        if (!table->file->readOnly() && !table->file->failed()) {
            current_ = table;
            return true;
        }
        // A table opened to read holds no changes; a failed one keeps its
        // change log, which the open below finishes (once the disk lets it).
        static_cast<void>(closeTable(table));
    }
    return open(path, alias, password);
}

bool TableStore::isOpen(const std::filesystem::path& path) const {
    const std::string full = fullPath(path).string();
    return std::any_of(tables_.begin(), tables_.end(), [&](const auto& table) {
        return pathTextEqual(table->fullPath.string(), full);
    });
}

TableStore::OpenTable* TableStore::find(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) {
        if (!(*it)->alias.empty() && namesEqual((*it)->alias, name)) return it->get();
    }
    for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) {
        if (pathTextEqual((*it)->baseName, name)) return it->get();
    }
    const std::string full = fullPath(std::filesystem::path(name)).string();
    for (auto it = tables_.rbegin(); it != tables_.rend(); ++it) {
        if (pathTextEqual((*it)->fullPath.string(), name) ||
            pathTextEqual((*it)->fullPath.string(), full))
            return it->get();
    }
    return nullptr;
}

bool TableStore::select(std::string_view name) {
    OpenTable* table = find(name);
    if (!table) return false;
    current_ = table;
    return true;
}

bool TableStore::closeTable(OpenTable* table) {
    if (!table) return true;
    const bool written = table->file->close();
    if (current_ == table) current_ = nullptr;
    std::erase_if(tables_, [table](const auto& t) { return t.get() == table; });
    return written;
}

bool TableStore::close() {
    return closeTable(current_);
}

bool TableStore::close(std::string_view name) {
    return closeTable(find(name));
}

bool TableStore::closeAll() {
    current_ = nullptr;
    bool written = true;
    for (auto& table : tables_) written = table->file->close() && written;
    tables_.clear();
    return written;
}

bool TableStore::checkpoint() {
    bool ok = true;
    for (auto& table : tables_) {
        if (!table->file->readOnly()) ok = table->file->checkpoint() && ok;
    }
    return ok;
}

bool TableStore::setPassword(std::string_view password) {
    if (!current_ || password == "?") return false;
    bool ok = current_->file->setPassword(keysFor(password));
    return ok;
}

std::int32_t TableStore::recordCount() const {
    return current_ ? std::max(0, current_->file->recordCount()) : 0;
}

std::int32_t TableStore::recordNumber() const {
    return current_ ? current_->cursor + 1 : 0;
}

void TableStore::first() {
    if (current_) current_->cursor = 0;
}

bool TableStore::skip(std::int32_t n) {
    if (!current_) return false;
    if (n == 0) return true;
    const std::int64_t count = current_->file->recordCount();
    const std::int64_t cursor = current_->cursor;
    if (count == 0) return false;
    if (n > 0) {
        if (cursor >= count) return false;
        current_->cursor = static_cast<std::int32_t>(std::min(cursor + n, count));
    } else {
        if (cursor < 0) return false;
        current_->cursor = static_cast<std::int32_t>(std::max<std::int64_t>(cursor + n, -1));
    }
    return true;
}

bool TableStore::goTo(std::int32_t n) {
    if (!current_) return false;
    const std::int64_t count = current_->file->recordCount();
    const std::int64_t target = static_cast<std::int64_t>(n) - 1;
    current_->cursor = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(target, 0, std::max<std::int64_t>(count - 1, 0)));
    return true;
}

const std::uint8_t* TableStore::currentRecord() const {
    if (!current_) return nullptr;
    return current_->file->record(current_->cursor);
}

TableFile* TableStore::currentFile() const {
    return current_ ? current_->file.get() : nullptr;
}

std::int32_t TableStore::currentSequence() {
    const std::uint8_t* record = currentRecord();
    return record ? loadI32(record) : 0;
}

int TableStore::fieldNumber(std::string_view field) const {
    if (!current_) return 0;
    return current_->file->fieldIndex(field) + 1;
}

std::optional<Value> TableStore::read(std::string_view field) {
    if (!current_) return std::nullopt;
    return read(current_->file->fieldIndex(field) + 1);
}

std::optional<Value> TableStore::read(int fieldNumber) {
    if (!current_) return std::nullopt;
    const auto& fields = current_->file->fields();
    if (fieldNumber < 1 || fieldNumber > static_cast<int>(fields.size())) return std::nullopt;
    const FieldInfo& field = fields[fieldNumber - 1];
    lastReadDamaged_ = false;
    return readField(field, currentRecord());
}

Value TableStore::readField(const FieldInfo& field, const std::uint8_t* record) {
    if (!record) return emptyValue(field.type);
    const std::uint8_t* p = record + field.offset;
    switch (field.type) {
        case FieldType::Byte:
            return std::uint8_t{p[0]};
        case FieldType::Short:
            return loadLittle<std::int16_t>(p);
        case FieldType::Integer:
            return loadLittle<std::int32_t>(p);
        case FieldType::Long:
            return loadLittle<std::int64_t>(p);
        case FieldType::Float:
            return loadLittle<float>(p);
        case FieldType::Double:
            return loadF64(p);
        case FieldType::Bool:
            return p[0] != 0;
        case FieldType::DateTime:
            return DateTime{clampDate(loadF64(p))};
        case FieldType::Routine:
            return RoutineRef{loadLittle<std::uint32_t>(p)};
        case FieldType::Text: {
            const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, field.width));
            std::size_t length = end ? static_cast<std::size_t>(end - p) : field.width;
            return std::string(reinterpret_cast<const char*>(p), length);
        }
        case FieldType::ByteSet:
        case FieldType::LongText: {
            std::int32_t first = loadI32(p);
            CompanionFile* companion = current_->file->companion();
            std::optional<std::string> bytes;
            if (companion) bytes = companion->readValue(first);
            // A damaged chain reads as an empty value; lastReadDamaged tells.
            lastReadDamaged_ = !bytes;
            std::string value = bytes ? std::move(*bytes) : std::string{};
            if (field.type == FieldType::LongText) return value;
            return Bytes{std::move(value)};
        }
    }
    return std::string{};
}

bool TableStore::write(std::string_view field, const Value& value) {
    if (!current_) return false;
    int index = current_->file->fieldIndex(field);
    return index >= 0 && write(index + 1, value);
}

bool TableStore::write(int fieldNumber, const Value& value) {
    if (!current_) return false;
    const auto& fields = current_->file->fields();
    if (fieldNumber < 1 || fieldNumber > static_cast<int>(fields.size())) return false;
    if (current_->cursor < 0 || current_->cursor >= current_->file->recordCount()) return false;
    return writeField(fields[fieldNumber - 1], value);
}

bool TableStore::writeField(const FieldInfo& field, const Value& value) {
    std::uint8_t bytes[8] = {};
    std::string text;
    TableFile& file = *current_->file;
    const std::int32_t index = current_->cursor;
    auto put = [&](const std::uint8_t* data, std::size_t length) {
        return file.writeInRecord(index, field.offset, data, length);
    };
    auto numeric = [&](auto tag) {
        using T = decltype(tag);
        if (!std::holds_alternative<T>(value) && !isNumeric(value)) return false;
        storeLittle<T>(bytes, convertNumber<T>(value));
        return put(bytes, sizeof(T));
    };
    switch (field.type) {
        case FieldType::Byte:
            return numeric(std::uint8_t{});
        case FieldType::Short:
            return numeric(std::int16_t{});
        case FieldType::Integer:
            return numeric(std::int32_t{});
        case FieldType::Long:
            return numeric(std::int64_t{});
        case FieldType::Float:
            return numeric(float{});
        case FieldType::Double:
            if (!isNumeric(value)) return false;
            storeF64(bytes, convertNumber<double>(value));
            return put(bytes, 8);
        case FieldType::Bool: {
            const bool* b = std::get_if<bool>(&value);
            if (!b) return false;
            bytes[0] = *b ? 1 : 0;
            return put(bytes, 1);
        }
        case FieldType::DateTime: {
            const DateTime* date = std::get_if<DateTime>(&value);
            if (!date) return false;
            storeF64(bytes, date->days);
            return put(bytes, 8);
        }
        case FieldType::Routine: {
            const RoutineRef* ref = std::get_if<RoutineRef>(&value);
            if (!ref) return false;
            storeI32(bytes, static_cast<std::int32_t>(ref->value));
            return put(bytes, 4);
        }
        case FieldType::Text: {
            const std::string* s = std::get_if<std::string>(&value);
            if (!s) return false;
            // Never end in half of a double-byte character.
            std::string_view cut = cutGbk(*s, static_cast<std::size_t>(field.width));
            std::vector<std::uint8_t> padded(static_cast<std::size_t>(field.width), 0);
            std::memcpy(padded.data(), cut.data(), cut.size());
            return put(padded.data(), padded.size());
        }
        case FieldType::ByteSet:
        case FieldType::LongText: {
            const std::string* payload = nullptr;
            if (field.type == FieldType::ByteSet) {
                if (const Bytes* b = std::get_if<Bytes>(&value)) payload = &b->bytes;
            } else {
                payload = std::get_if<std::string>(&value);
            }
            CompanionFile* companion = file.companion();
            if (!payload || !companion) return false;
            const std::uint8_t* record = file.record(index);
            if (!record) return false;
            std::int32_t oldFirst = loadI32(record + field.offset);
            auto first = companion->writeValue(oldFirst, *payload);
            if (!first) return false;
            storeI32(bytes, *first);
            return put(bytes, 4);
        }
    }
    return false;
}

bool TableStore::append() {
    if (!current_) return false;
    if (!current_->file->append()) return false;
    current_->cursor = current_->file->recordCount() - 1;
    return true;
}

bool TableStore::remove() {
    return current_ && current_->file->markRemoved(current_->cursor);
}

bool TableStore::purge() {
    if (!current_) return false;
    bool ok = current_->file->purge();
    current_->cursor = 0;
    return ok;
}

bool TableStore::zap() {
    if (!current_) return false;
    bool ok = current_->file->zap();
    current_->cursor = 0;
    return ok;
}

bool TableStore::commit() {
    return current_ && current_->file->commit();
}

void TableStore::discard() {
    if (current_) current_->file->discard();
}

std::string TableStore::asideSuffix() const {
    const double now = clock_.now();
    const CivilDate date = civilFromDate(now);
    const double day = now - std::floor(now);
    const int seconds = std::clamp(static_cast<int>(std::lround(day * 86400.0)), 0, 86399);
    char text[40];
    std::snprintf(text, sizeof text, ".damaged-%04d%02d%02d-%02d%02d%02d", date.year, date.month,
                  date.day, seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

}  // namespace qinghe::store
