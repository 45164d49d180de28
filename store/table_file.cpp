#include "store/table_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "store/change_log.h"

namespace qinghe::store {
namespace {

// Field lists are small; this only guards against a damaged count asking for
// gigabytes of descriptors.
constexpr std::int32_t kMaxFields = 4096;
// Records are a few hundred bytes; a damaged size must not make append or a
// read allocate gigabytes.
constexpr std::int32_t kMaxRecordSize = 16 << 20;

bool checkBlockMatches(const TableHeader& header, const std::string& digest) {
    // Compared up to the terminating zero byte, without regard to case.
    std::size_t stored = 0;
    while (stored < 33 && header.check[stored] != 0) ++stored;
    if (stored != digest.size()) return false;
    for (std::size_t i = 0; i < stored; ++i) {
        auto a = static_cast<unsigned char>(header.check[i]);
        auto b = static_cast<unsigned char>(digest[i]);
        if (a >= 'A' && a <= 'Z') a += 32;
        if (b >= 'A' && b <= 'Z') b += 32;
        if (a != b) return false;
    }
    return true;
}

}  // namespace

std::filesystem::path TableFile::logPath(const std::filesystem::path& dataFile) {
    std::filesystem::path path = dataFile;
    path += "-log";
    return path;
}

namespace {

bool endsWith(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - end.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

bool TableFile::isLeftover(const std::filesystem::path& file, std::uint64_t size) {
    const std::string name = file.filename().string();
    // A table being built is "NAME.edb.new". (Its companion's name could be
    // another table's: it is left alone, and replaced by the next build.)
    if (endsWith(name, ".new") || endsWith(name, ".new-log")) return true;
    // A log is made whole at once: an empty one was cut short by a full disk.
    return endsWith(name, "-log") && size == 0;
}

void TableFile::removeLeftovers(FileSystem& files, const std::filesystem::path& dataFile) {
    std::filesystem::path building = dataFile;
    building += ".new";
    const std::filesystem::path leftovers[] = {logPath(building), building};
    bool removed = false;
    for (const auto& path : leftovers) {
        if (!files.exists(path)) continue;
        removed = files.remove(path) || removed;
    }
    if (removed) static_cast<void>(files.syncFolder(dataFile.parent_path()));
}

std::filesystem::path TableFile::staleLogPath(const std::filesystem::path& dataFile) {
    std::filesystem::path path = logPath(dataFile);
    path += ".stale";
    return path;
}

bool TableFile::create(FileSystem& files, const std::filesystem::path& path,
                       const std::vector<FieldDescription>& descriptions, double created) {
    std::vector<FieldInfo> fields;
    std::int32_t offset = static_cast<std::int32_t>(kSequenceSize);
    bool needsCompanion = false;
    for (const auto& description : descriptions) {
        if (description.name.empty()) break;  // an empty name ends the list
        if (!isValidName(description.name)) return false;
        auto code = static_cast<std::int32_t>(description.type);
        if (!isValidFieldType(code)) return false;
        if (description.type == FieldType::Text &&
            (description.width < 1 || description.width > kMaxTextWidth))
            return false;
        for (const auto& other : fields) {
            if (namesEqual(other.name, description.name)) return false;
        }
        FieldInfo field{description.name, description.type, offset,
                        fieldWidth(description.type, description.width)};
        offset += field.width;
        needsCompanion = needsCompanion || usesCompanion(field.type);
        fields.push_back(std::move(field));
    }
    if (fields.empty() || path.empty()) return false;

    TableHeader header;
    std::memcpy(header.magic.data(), kPlainMagic, 4);
    header.created = created;
    header.recordSize = offset;
    std::vector<std::uint8_t> bytes(kDescriptorsOffset + kDescriptorSize * fields.size());
    encodeHeader(header, bytes.data());
    storeI32(bytes.data() + kFieldCountOffset, static_cast<std::int32_t>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        encodeDescriptor(fields[i], bytes.data() + kDescriptorsOffset + i * kDescriptorSize);
    }
    // A log left by an earlier table of this name would be replayed over the
    // new one at its first open.
    if (!files.remove(logPath(path))) return false;
    auto file = files.open(path, OpenMode::Create);
    if (!file || !file->writeAt(0, bytes.data(), bytes.size()) || !file->sync()) return false;
    if (needsCompanion) {
        // Replace a companion file of another case left by an earlier table.
        if (auto old = CompanionFile::find(files, path); old && !files.remove(*old)) return false;
        if (!CompanionFile::create(files, CompanionFile::pathFor(path), created)) return false;
    }
    return true;
}

TableFile::TableFile(FileSystem& files, std::filesystem::path path, std::unique_ptr<File> disk,
                     std::shared_ptr<KeyStreams> keys, ChunkPool& pool, Access access)
    : files_(files),
      path_(std::move(path)),
      data_(std::move(disk)),
      keys_(std::move(keys)),
      pool_(pool),
      access_(access) {}

TableFile::~TableFile() {
    static_cast<void>(closeLog());
}

std::unique_ptr<TableFile> TableFile::open(FileSystem& files, const std::filesystem::path& path,
                                           std::shared_ptr<KeyStreams> keys, ChunkPool& pool,
                                           Access access, std::string_view asideSuffix) {
    const OpenMode mode = access == Access::ReadOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite;
    auto disk = files.open(path, mode);
    if (!disk) return nullptr;
    std::unique_ptr<TableFile> table(
        new TableFile(files, path, std::move(disk), std::move(keys), pool, access));
    if (!table->data_.held().size()) return nullptr;
    if (!table->recoverLog()) return nullptr;
    if (!table->readHeaderAndFields()) return nullptr;
    if (!table->openCompanion(asideSuffix)) return nullptr;
    if (!table->checkLength(asideSuffix)) return nullptr;
    return table;
}

bool TableFile::openCompanion(std::string_view asideSuffix) {
    const bool needsCompanion = std::any_of(
        fields_.begin(), fields_.end(), [](const FieldInfo& f) { return usesCompanion(f.type); });
    if (!needsCompanion) return true;
    auto path = CompanionFile::find(files_, path_);
    if (!path) return false;
    auto disk = files_.open(*path, readOnly() ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    if (!disk) return false;
    OverlayFile& file = companionFile_.emplace(std::move(disk)).held();
    if (readOnly() && pendingLog_ && !pendingLog_->applyAllTo(ChangeLog::kCompanion, file))
        return false;
    bool cut = false;
    companion_ = CompanionFile::open(file, header_.version, keys_.get(), &cut);
    if (!companion_) return false;
    if (cut) {
        findings_.push_back("the companion file ends before the blocks its header counts");
        if (!readOnly() && !copyAside(asideSuffix)) return false;
    }
    return true;
}

bool TableFile::readHeaderAndFields() {
    std::array<std::uint8_t, kDescriptorsOffset> head{};
    if (!data_.held().readAt(0, head.data(), head.size())) return false;
    const bool ciphered = std::memcmp(head.data(), kCipheredMagic, 4) == 0;
    const bool plain = std::memcmp(head.data(), kPlainMagic, 4) == 0;
    if (!ciphered && !plain) return false;
    if (ciphered != static_cast<bool>(keys_)) return false;
    if (keys_) keys_->apply(0, head.data(), head.size());
    header_ = decodeHeader(head.data());
    if (keys_ && !checkBlockMatches(header_, keys_->digest())) return false;
    if (header_.recordSize <= 0 || header_.recordSize > kMaxRecordSize || header_.recordCount < 0 ||
        header_.nextSequence <= 0 || header_.version > kFormatVersion)
        return false;

    std::int32_t count = loadI32(head.data() + kFieldCountOffset);
    if (count < 1 || count > kMaxFields) return false;
    std::vector<std::uint8_t> descriptors(kDescriptorSize * count);
    if (!data_.held().readAt(kDescriptorsOffset, descriptors.data(), descriptors.size()))
        return false;
    if (keys_) keys_->apply(kDescriptorsOffset, descriptors.data(), descriptors.size());
    fields_.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t* d = descriptors.data() + i * kDescriptorSize;
        const auto* nameEnd = static_cast<const std::uint8_t*>(std::memchr(d, 0, 17));
        if (!nameEnd) return false;
        FieldInfo field;
        field.name.assign(reinterpret_cast<const char*>(d), nameEnd - d);
        std::int32_t code = loadI32(d + 20);
        field.offset = loadI32(d + 24);
        std::int32_t declared = loadI32(d + 28);
        if (!isValidFieldType(code) || field.offset < static_cast<std::int32_t>(kSequenceSize))
            return false;
        field.type = static_cast<FieldType>(code);
        if (field.type == FieldType::Text && declared <= 0) return false;
        field.width = fieldWidth(field.type, declared);
        // A field reaching past the record would read into the next one or
        // past the buffer: such a file is damaged.
        if (static_cast<std::int64_t>(field.offset) + field.width > header_.recordSize)
            return false;
        fields_.push_back(std::move(field));
    }
    recordsOffset_ = kDescriptorsOffset + descriptors.size();
    return true;
}

bool TableFile::checkLength(std::string_view asideSuffix) {
    auto size = data_.held().size();
    if (!size) return false;
    std::uint64_t available = *size > recordsOffset_ ? *size - recordsOffset_ : 0;
    std::uint64_t whole = available / static_cast<std::uint64_t>(header_.recordSize);
    if (whole < static_cast<std::uint64_t>(header_.recordCount)) {
        // Counted records are gone: damage, never what a crash leaves (the
        // count is only ever written once the records it counts are on disk).
        findings_.push_back("the file holds " + std::to_string(whole) +
                            " whole records, the header counts " +
                            std::to_string(header_.recordCount));
        if (readOnly()) {
            header_.recordCount = static_cast<std::int32_t>(whole);
        } else if (!copyAside(asideSuffix) ||
                   !writeCounts(static_cast<std::int32_t>(whole), header_.nextSequence)) {
            return false;
        }
    }
    if (header_.recordCount > 0) {
        // Appends and purges keep sequence numbers rising, so the last record's
        // is the highest. A torn count write can leave the next sequence
        // number behind it: moved on, never handed out twice.
        const std::uint8_t* last = record(header_.recordCount - 1);
        if (!last) return false;
        const std::int64_t sequence = std::abs(static_cast<std::int64_t>(loadI32(last)));
        if (sequence >= header_.nextSequence && sequence < INT32_MAX) {
            findings_.push_back("the next sequence number was behind the last record's");
            const auto next = static_cast<std::int32_t>(sequence + 1);
            if (readOnly()) {
                header_.nextSequence = next;
            } else if (!writeCounts(header_.recordCount, next)) {
                return false;
            }
        }
    }
    if (*size > fileLength()) {
        // What an append left that it had not counted yet: never part of the table.
        findings_.push_back(std::to_string(*size - fileLength()) +
                            " bytes of an unfinished append follow the last record");
        if (!data_.held().truncate(fileLength())) return false;
    }
    if (readOnly()) return true;
    // Whatever was found is put right at once, as one change.
    return !changed() || commit();
}

bool TableFile::copyAside(std::string_view asideSuffix) {
    // The files as they are on disk, before anything is repaired: a later
    // tool may recover more from them than the repair keeps.
    auto copy = [this, asideSuffix](const std::filesystem::path& from) {
        auto source = files_.open(from, OpenMode::ReadOnly);
        if (!source) return false;
        auto size = source->size();
        std::filesystem::path to = from;
        to += std::string(asideSuffix);
        auto target = files_.open(to, OpenMode::Create);
        if (!size || !target) return false;
        std::vector<std::uint8_t> buffer(1 << 20);
        for (std::uint64_t at = 0; at < *size; at += buffer.size()) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), *size - at));
            if (!source->readAt(at, buffer.data(), n) || !target->writeAt(at, buffer.data(), n))
                return false;
        }
        return target->sync();
    };
    if (copiedAside_) return true;
    if (!copy(path_)) return false;
    if (auto companion = CompanionFile::find(files_, path_); companion && !copy(*companion))
        return false;
    if (!files_.syncFolder(path_.parent_path())) return false;
    findings_.push_back("the damaged files were copied aside with the suffix " +
                        std::string(asideSuffix));
    copiedAside_ = true;
    return true;
}

int TableFile::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (namesEqual(fields_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

// --- chunks ---------------------------------------------------------------

}  // namespace qinghe::store
