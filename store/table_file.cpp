#include "store/table_file.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <system_error>

#include "store/change_journal.h"
#include "store/change_log.h"
#include "store/file_changes.h"
#include "store/md5.h"

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

std::unique_ptr<OverlayFile> TableFile::layered(std::unique_ptr<File> disk) {
    return std::make_unique<OverlayFile>(std::make_unique<OverlayFile>(std::move(disk)));
}

OverlayFile& TableFile::logged(OverlayFile& file) {
    return static_cast<OverlayFile&>(file.real());
}

File& TableFile::disk(OverlayFile& file) {
    return logged(file).real();
}

bool TableFile::settleAll(OverlayFile& file) {
    return logged(file).settle() && file.settle();
}

std::filesystem::path TableFile::journalPath(const std::filesystem::path& dataFile) {
    std::filesystem::path path = dataFile;
    path += "-journal";
    return path;
}

std::filesystem::path TableFile::logPath(const std::filesystem::path& dataFile) {
    std::filesystem::path path = dataFile;
    path += "-log";
    return path;
}

bool TableFile::isLogPath(const std::filesystem::path& path) {
    return path.filename().string().ends_with("-log");
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
    // A journal or log left by an earlier table of this name would be replayed
    // over the new one at its first open.
    if (!files.remove(journalPath(path)) || !files.remove(logPath(path))) return false;
    auto file = files.open(path, OpenMode::Create);
    if (!file || !file->writeAt(0, bytes.data(), bytes.size()) || !file->sync()) return false;
    if (needsCompanion) {
        // Replace a companion file of another case left by an earlier table.
        if (auto old = CompanionFile::find(files, path); old && !files.remove(*old)) return false;
        if (!CompanionFile::create(files, CompanionFile::pathFor(path), created)) return false;
    }
    return true;
}

TableFile::TableFile(FileSystem& files, std::filesystem::path path,
                     std::unique_ptr<OverlayFile> file, std::shared_ptr<KeyStreams> keys,
                     ChunkPool& pool, Access access)
    : files_(files),
      path_(std::move(path)),
      file_(std::move(file)),
      keys_(std::move(keys)),
      pool_(pool),
      access_(access) {}

TableFile::~TableFile() {
    readAhead_.reset();
    closeLog();
    pool_.forget(this);
}

std::unique_ptr<TableFile> TableFile::open(FileSystem& files, const std::filesystem::path& path,
                                           std::shared_ptr<KeyStreams> keys, ChunkPool& pool,
                                           Access access, std::string_view asideSuffix) {
    const OpenMode mode = access == Access::ReadOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite;
    auto real = files.open(path, mode);
    if (!real) return nullptr;
    auto file = layered(std::move(real));
    if (!file->size()) return nullptr;
    std::unique_ptr<TableFile> table(
        new TableFile(files, path, std::move(file), std::move(keys), pool, access));
    if (!table->recoverJournal()) return nullptr;
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
    auto real = files_.open(*path, readOnly() ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    if (!real) return false;
    auto file = layered(std::move(real));
    if (readOnly() && pendingJournal_ &&
        !pendingJournal_->applyTo(ChangeJournal::kCompanion, *file))
        return false;
    if (readOnly() && pendingLog_ && !pendingLog_->applyAllTo(ChangeLog::kCompanion, *file))
        return false;
    bool cut = false;
    companion_ = CompanionFile::open(std::move(file), header_.version, keys_.get(), &cut);
    if (!companion_) return false;
    if (cut) {
        findings_.push_back("the companion file ends before the blocks its header counts");
        damaged_ = true;
        if (!readOnly() && !copyAside(asideSuffix)) return false;
    }
    return true;
}

bool TableFile::readHeaderAndFields() {
    std::array<std::uint8_t, kDescriptorsOffset> head{};
    if (!file_->readAt(0, head.data(), head.size())) return false;
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
    if (!file_->readAt(kDescriptorsOffset, descriptors.data(), descriptors.size())) return false;
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
    auto size = file_->size();
    if (!size) return false;
    std::uint64_t available = *size > recordsOffset_ ? *size - recordsOffset_ : 0;
    std::uint64_t whole = available / static_cast<std::uint64_t>(header_.recordSize);
    if (whole < static_cast<std::uint64_t>(header_.recordCount)) {
        // Counted records are gone: damage, never what a crash leaves (the
        // count is only ever written once the records it counts are on disk).
        findings_.push_back("the file holds " + std::to_string(whole) +
                            " whole records, the header counts " +
                            std::to_string(header_.recordCount));
        damaged_ = true;
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
        if (!file_->truncate(fileLength())) return false;
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

const std::uint8_t* TableFile::loadChunk(std::uint32_t index) {
    if (index < chunks_.size() && chunks_[index].bytes) {
        chunks_[index].referenced = true;
        return chunks_[index].bytes.get();
    }
    std::uint64_t start = static_cast<std::uint64_t>(index) * kChunkSize;
    std::uint64_t end = std::min<std::uint64_t>(start + kChunkSize, fileLength());
    if (end <= start) return nullptr;
    const std::size_t length = end - start;
    // A miss right after one of the chunk before is a walk: the chunks after
    // this one are read while it is made.
    if (index > 0 && lastMiss_ == index - 1) readAhead(index);
    lastMiss_ = index;
    auto decipher = [this](std::uint64_t offset, std::uint8_t* data, std::size_t n) {
        if (keys_) keys_->applyForRead(offset, data, n);
    };
    std::unique_ptr<std::uint8_t[]> bytes;
    // The worker reads the disk: a chunk with held or logged changes is read here.
    if (readAhead_ && !file_->changes(start, end) && !logged(*file_).changes(start, end))
        bytes = readAhead_->take(index, length, decipher);
    if (!bytes) {
        bytes = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize);
        if (!file_->readAt(start, bytes.get(), length)) return nullptr;
        decipher(start, bytes.get(), length);
    }
    if (index >= chunks_.size()) chunks_.resize(index + 1);
    chunks_[index].bytes = std::move(bytes);
    chunks_[index].valid = length;
    chunks_[index].referenced = false;
    pinned_ = index;
    pool_.added(this, index, kChunkSize);
    pinned_ = UINT32_MAX;
    return chunks_[index].bytes.get();
}

void TableFile::readAhead(std::uint32_t index) {
    const std::uint64_t length = fileLength();
    const std::uint32_t last = index + kReadAheadChunks;
    std::uint32_t ahead = 0;  // chunks after this one in the file, up to the window
    for (std::uint32_t chunk = index + 1; chunk <= last; ++chunk) {
        if (static_cast<std::uint64_t>(chunk) * kChunkSize >= length) break;
        ++ahead;
    }
    // Nothing after this chunk, as when records are appended: no thread for that.
    if (ahead == 0 && !readAhead_) return;
    if (!readAhead_ && !readAheadFailed_) {
        try {
            readAhead_ = std::make_unique<ChunkReadAhead>(disk(*file_), kChunkSize,
                                                          keys_ ? keys_->password() : "");
        } catch (const std::system_error&) {
            readAheadFailed_ = true;  // no thread to be had: walks read chunk by chunk
        }
    }
    if (!readAhead_) return;
    readAhead_->keepOnly(index, last);
    for (std::uint32_t chunk = index + 1; chunk <= index + ahead; ++chunk) {
        if (chunk < chunks_.size() && chunks_[chunk].bytes) continue;
        const std::uint64_t start = static_cast<std::uint64_t>(chunk) * kChunkSize;
        readAhead_->queue(chunk, std::min<std::uint64_t>(kChunkSize, length - start));
    }
}

void TableFile::changing(std::uint64_t from, std::uint64_t to) {
    if (readAhead_) readAhead_->forget(from, to);
}

bool TableFile::chunkReferenced(std::uint32_t chunk) {
    if (chunk >= chunks_.size()) return false;
    bool was = chunks_[chunk].referenced;
    chunks_[chunk].referenced = false;
    return was;
}

bool TableFile::dropChunk(std::uint32_t chunk) {
    if (chunk == pinned_) return false;
    if (chunk < chunks_.size()) {
        chunks_[chunk].bytes.reset();
        chunks_[chunk].valid = 0;
    }
    return true;
}

void TableFile::releaseChunksBefore(std::uint64_t offset) {
    const auto last = std::min<std::uint64_t>(offset / kChunkSize, chunks_.size());
    for (std::uint32_t index = 0; index < last; ++index) {
        if (chunks_[index].bytes) dropChunk(index);
    }
}

void TableFile::cutChunks(std::uint64_t length) {
    for (std::uint32_t index = 0; index < chunks_.size(); ++index) {
        Chunk& chunk = chunks_[index];
        if (!chunk.bytes) continue;
        const std::uint64_t start = static_cast<std::uint64_t>(index) * kChunkSize;
        if (start >= length) {
            dropChunk(index);
        } else {
            chunk.valid = std::min<std::uint64_t>(chunk.valid, length - start);
        }
    }
}

void TableFile::dropAllChunks() {
    changing(0, UINT64_MAX);
    pool_.forget(this);
    chunks_.clear();
}

bool TableFile::readPlain(std::uint64_t offset, std::uint8_t* out, std::size_t length) {
    while (length > 0) {
        auto index = static_cast<std::uint32_t>(offset / kChunkSize);
        std::size_t within = offset % kChunkSize;
        std::size_t n = std::min(length, kChunkSize - within);
        const std::uint8_t* chunk = loadChunk(index);
        if (!chunk || chunks_[index].valid < within + n) return false;
        std::memcpy(out, chunk + within, n);
        offset += n;
        out += n;
        length -= n;
    }
    return true;
}

const std::uint8_t* TableFile::record(std::int32_t index) {
    if (index < 0 || index >= header_.recordCount) return nullptr;
    const std::size_t size = static_cast<std::size_t>(header_.recordSize);
    std::uint64_t offset = recordsOffset_ + static_cast<std::uint64_t>(index) * size;
    auto chunk = static_cast<std::uint32_t>(offset / kChunkSize);
    std::size_t within = offset % kChunkSize;
    if (within + size <= kChunkSize) {
        const std::uint8_t* bytes = loadChunk(chunk);
        if (!bytes || chunks_[chunk].valid < within + size) return nullptr;
        return bytes + within;
    }
    scratch_.resize(size);
    return readPlain(offset, scratch_.data(), size) ? scratch_.data() : nullptr;
}

void TableFile::updateChunks(std::uint64_t offset, const std::uint8_t* plain, std::size_t length) {
    while (length > 0) {
        auto index = static_cast<std::uint32_t>(offset / kChunkSize);
        std::size_t within = offset % kChunkSize;
        std::size_t n = std::min(length, kChunkSize - within);
        if (index < chunks_.size() && chunks_[index].bytes) {
            Chunk& chunk = chunks_[index];
            if (within <= chunk.valid) {
                std::memcpy(chunk.bytes.get() + within, plain, n);
                chunk.valid = std::max(chunk.valid, within + n);
            } else {
                dropChunk(index);  // would leave a hole; read it again when needed
            }
        }
        offset += n;
        plain += n;
        length -= n;
    }
}

bool TableFile::writePlain(std::uint64_t offset, const std::uint8_t* plain, std::size_t length) {
    if (readOnly() || failed_) return false;
    if (length == 0) return true;
    changing(offset, offset + length);
    bool written;
    const std::uint8_t* bytes = plain;
    std::vector<std::uint8_t> buffer;
    if (keys_) {
        buffer.resize(length);
        keys_->applyTo(offset, plain, buffer.data(), length);
        bytes = buffer.data();
    }
    written = file_->writeAt(offset, bytes, length);
    // The cache follows the file only when the file took the bytes.
    if (written) updateChunks(offset, plain, length);
    return written;
}

bool TableFile::writeCounts(std::int32_t recordCount, std::int32_t nextSequence) {
    std::array<std::uint8_t, 8> bytes{};
    storeI32(bytes.data(), recordCount);
    storeI32(bytes.data() + 4, nextSequence);
    if (!writePlain(kRecordCountOffset, bytes.data(), bytes.size())) return false;
    header_.recordCount = recordCount;
    header_.nextSequence = nextSequence;
    return true;
}

// --- record operations -----------------------------------------------------

bool TableFile::writeInRecord(std::int32_t index, std::size_t offset, const std::uint8_t* bytes,
                              std::size_t length) {
    if (index < 0 || index >= header_.recordCount) return false;
    if (offset + length > static_cast<std::size_t>(header_.recordSize)) return false;
    std::uint64_t at =
        recordsOffset_ + static_cast<std::uint64_t>(index) * header_.recordSize + offset;
    return writePlain(at, bytes, length);
}

bool TableFile::append() {
    if (header_.nextSequence == INT32_MAX || header_.recordCount == INT32_MAX) return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(header_.recordSize), 0);
    storeI32(bytes.data(), header_.nextSequence);
    // The record and the count that makes it exist are one change.
    if (!writePlain(fileLength(), bytes.data(), bytes.size())) return false;
    return writeCounts(header_.recordCount + 1, header_.nextSequence + 1);
}

bool TableFile::zap() {
    if (readOnly() || failed_) return false;
    if (!commit()) return false;
    if (!writeCounts(0, header_.nextSequence)) return false;
    changing(recordsOffset_, UINT64_MAX);
    bool ok = file_->truncate(recordsOffset_);
    dropAllChunks();
    if (ok && companion_) ok = companion_->reset();
    // Records and their values go in one step.
    if (ok && commit()) {
        marks_ = std::set<std::int32_t>{};
        return true;
    }
    if (!failed_) abandon();
    return false;
}

bool TableFile::markRemoved(std::int32_t index) {
    const std::uint8_t* bytes = record(index);
    if (!bytes) return false;
    const std::int32_t sequence = loadI32(bytes);
    if (sequence < 0) return true;  // already marked
    std::uint8_t mark[4];
    storeI32(mark, -sequence);
    if (!writeInRecord(index, 0, mark, 4)) return false;
    if (marks_) marks_->insert(index);
    return true;
}

void TableFile::learnMarks(std::vector<std::int32_t> marked) {
    marks_ = std::set<std::int32_t>(marked.begin(), marked.end());
}

std::optional<std::string> TableFile::movedTail(std::int32_t first, std::uint64_t& newLength) {
    const std::size_t size = static_cast<std::size_t>(header_.recordSize);
    const std::uint64_t region = recordsOffset_ + static_cast<std::uint64_t>(first) * size;
    const std::uint64_t end = fileLength();
    std::string bytes(static_cast<std::size_t>(end - region), '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
    if (!file_->readAt(region, b, bytes.size())) return std::nullopt;

    // Key streams from the page being written back to the page being read:
    // a page's stream is made once and serves both.
    std::uint32_t firstPage = static_cast<std::uint32_t>(region / kCipherPageSize);
    std::deque<std::unique_ptr<std::uint8_t[]>> window;
    auto stream = [&](std::uint32_t page) -> const std::uint8_t* {
        while (firstPage + window.size() <= page) {
            auto next = std::make_unique_for_overwrite<std::uint8_t[]>(kCipherPageSize);
            keys_->pageStream(static_cast<std::uint32_t>(firstPage + window.size()), next.get());
            window.push_back(std::move(next));
        }
        return window[page - firstPage].get();
    };
    // XORs [from, to) of the file's bytes (absolute offsets) in the buffer.
    auto apply = [&](std::uint64_t from, std::uint64_t to) {
        while (from < to) {
            const auto page = static_cast<std::uint32_t>(from / kCipherPageSize);
            const std::uint64_t pageEnd =
                std::min<std::uint64_t>(to, (page + 1ull) * kCipherPageSize);
            const std::uint8_t* key = stream(page) + from % kCipherPageSize;
            std::uint8_t* data = b + (from - region);
            for (std::uint64_t i = 0; i < pageEnd - from; ++i) data[i] ^= key[i];
            from = pageEnd;
        }
    };
    std::uint64_t plainTo = region;  // deciphered below this
    std::uint64_t out = region;      // the next record goes here
    std::uint64_t sealed = region;   // enciphered again below this
    std::int32_t next = first;
    const std::int32_t count = header_.recordCount;
    while (plainTo < end) {
        const std::uint64_t pageEnd =
            std::min<std::uint64_t>(end, (plainTo / kCipherPageSize + 1) * kCipherPageSize);
        apply(plainTo, pageEnd);
        plainTo = pageEnd;
        // Every record now wholly plain moves down over the ones dropped.
        for (; next < count; ++next) {
            const std::uint64_t at = recordsOffset_ + static_cast<std::uint64_t>(next) * size;
            if (at + size > plainTo) break;
            const std::uint8_t* from = b + (at - region);
            if (loadI32(from) < 0) continue;
            if (out != at) std::memmove(b + (out - region), from, size);
            out += size;
        }
        // Whole pages below the next record's place are final.
        const std::uint64_t done = out / kCipherPageSize * kCipherPageSize;
        if (done > sealed) {
            apply(sealed, done);
            sealed = done;
        }
        const auto keep = static_cast<std::uint32_t>(sealed / kCipherPageSize);
        while (firstPage < keep && !window.empty()) {
            window.pop_front();
            ++firstPage;
        }
    }
    apply(sealed, out);
    bytes.resize(static_cast<std::size_t>(out - region));
    newLength = out;
    return bytes;
}

bool TableFile::purge() {
    if (readOnly() || failed_) return false;
    const std::int32_t count = header_.recordCount;
    if (!marks_) {
        // Not known: every record's mark is looked at.
        std::vector<std::int32_t> found;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::uint8_t* bytes = record(i);
            if (!bytes) return false;
            if (loadI32(bytes) < 0) found.push_back(i);
        }
        learnMarks(std::move(found));
    }
    // Nothing marked: only what is held is made.
    if (marks_->empty()) return commit();
    const std::int32_t firstDeleted = *marks_->begin();

    std::vector<std::int32_t> releasedChains;
    for (const std::int32_t index : *marks_) {
        const std::uint8_t* bytes = record(index);
        if (!bytes) return false;
        for (const auto& field : fields_) {
            if (!usesCompanion(field.type)) continue;
            const std::int32_t block = loadI32(bytes + field.offset);
            if (block != 0) releasedChains.push_back(block);
        }
    }
    const std::int32_t live = count - static_cast<std::int32_t>(marks_->size());
    const std::size_t size = static_cast<std::size_t>(header_.recordSize);
    const std::uint64_t tailOffset =
        recordsOffset_ + static_cast<std::uint64_t>(firstDeleted) * size;

    std::uint64_t newLength = 0;
    std::optional<std::string> tail;
    if (keys_) {
        tail = movedTail(firstDeleted, newLength);
    } else {
        // Plain: the live records from the first deleted one on, moved up.
        tail.emplace();
        for (std::int32_t i = firstDeleted; i < count; ++i) {
            if (marks_->count(i)) continue;
            const std::uint8_t* bytes = record(i);
            if (!bytes) return false;
            tail->append(reinterpret_cast<const char*>(bytes), size);
        }
        newLength = tailOffset + tail->size();
    }
    if (!tail) return false;

    // The moved records, the new count, the cut and the freed values are one
    // journalled change.
    changing(tailOffset, UINT64_MAX);
    bool ok = file_->writeAt(tailOffset, std::move(*tail));
    tail.reset();
    // The chunks from the first moved record on are read again when needed.
    for (auto index = static_cast<std::uint32_t>(tailOffset / kChunkSize); index < chunks_.size();
         ++index) {
        dropChunk(index);
    }
    ok = ok && writeCounts(live, header_.nextSequence) && file_->truncate(newLength);
    // The values of the dropped records are freed in the same change: a crash
    // leaves them in use by their records or free, never both.
    if (ok && companion_ && !releasedChains.empty()) ok = companion_->release(releasedChains);
    if (ok && commit()) {
        marks_->clear();
        return true;
    }
    if (!failed_) abandon();
    return false;
}

bool TableFile::openCompanionToRecover(bool touched, std::unique_ptr<File>& companion) {
    if (!touched) return true;
    auto path = CompanionFile::find(files_, path_);
    if (path) companion = files_.open(*path, OpenMode::ReadWrite);
    return companion != nullptr;
}

bool TableFile::recoverJournal() {
    auto journal = std::make_unique<ChangeJournal>(files_, journalPath(path_));
    const ChangeJournal::Found found = journal->load();
    if (found == ChangeJournal::Found::None) return true;
    if (readOnly()) {
        // Read as it will be once the program finishes the change; a journal
        // cut short was never acted on.
        if (found != ChangeJournal::Found::Complete) return true;
        findings_.push_back(
            "an interrupted change is pending (finished when the table is next "
            "opened for writing)");
        if (!journal->applyTo(ChangeJournal::kData, *file_)) return false;
        pendingJournal_ = std::move(journal);
        return true;
    }
    if (found == ChangeJournal::Found::Complete) {
        std::unique_ptr<File> companion;
        if (!openCompanionToRecover(journal->touches(ChangeJournal::kCompanion), companion))
            return false;
        if (!journal->apply({&disk(*file_), companion.get()})) return false;
        if (!settleAll(*file_)) return false;
        findings_.push_back("an interrupted change was finished");
    }
    return journal->discard();
}

bool TableFile::recoverLog() {
    auto log = std::make_unique<ChangeLog>(files_, logPath(path_));
    const ChangeLog::Found found = log->load();
    if (found == ChangeLog::Found::None) return true;
    const bool fits = found == ChangeLog::Found::Pending && log->fits(diskHead());
    if (readOnly()) {
        // Read as the table will be once the program finishes the changes.
        if (found != ChangeLog::Found::Pending) return true;
        if (!fits) {
            findings_.push_back(
                "a change log that does not fit the table is ignored (set aside when the "
                "table is next opened for writing)");
            return true;
        }
        findings_.push_back(
            "interrupted changes are pending (finished when the table is next opened for "
            "writing)");
        if (!log->applyAllTo(ChangeLog::kData, *file_)) return false;
        pendingLog_ = std::move(log);
        return true;
    }
    if (found == ChangeLog::Found::Pending && !fits) {
        // Left by a crash beside a table that was replaced since: never
        // replayed onto it, but kept for whoever wants to look.
        const auto aside = staleLogPath(path_);
        if (!files_.rename(log->path(), aside) || !files_.syncFolder(path_.parent_path()))
            return false;
        findings_.push_back("a change log that does not fit the table was set aside as " +
                            aside.filename().string());
        return true;
    }
    if (found == ChangeLog::Found::Pending) {
        std::unique_ptr<File> companion;
        const bool touchesCompanion =
            std::any_of(log->records().begin(), log->records().end(),
                        [](const ChangeLog::Change& c) { return c[ChangeLog::kCompanion]; });
        if (!openCompanionToRecover(touchesCompanion, companion)) return false;
        if (!log->applyAll({&disk(*file_), companion.get()})) return false;
        if (!disk(*file_).sync() || (companion && !companion->sync())) return false;
        if (!settleAll(*file_)) return false;
        findings_.push_back("interrupted changes were finished");
    }
    return log->remove();
}

bool TableFile::setPassword(std::shared_ptr<KeyStreams> keys) {
    if (readOnly() || failed_) return false;
    // Whatever is held is made first, under the password it was enciphered with.
    if (!commit()) return false;
    const bool same = (keys && keys_ && keys->password() == keys_->password()) || (!keys && !keys_);
    // The worker deciphers with the old password and must not read while the
    // file is enciphered anew; the next walk starts it again.
    readAhead_.reset();
    auto previous = keys_;
    auto reencipher = [&](OverlayFile& file) {
        auto size = file.size();
        if (!size) return false;
        std::vector<std::uint8_t> buffer(1 << 16);
        for (std::uint64_t offset = kMagicSize; offset < *size; offset += buffer.size()) {
            std::size_t n = std::min<std::uint64_t>(buffer.size(), *size - offset);
            if (!file.readAt(offset, buffer.data(), n)) return false;
            if (keys_) keys_->apply(offset, buffer.data(), n);
            if (keys) keys->apply(offset, buffer.data(), n);
            if (!file.writeAt(offset, buffer.data(), n)) return false;
        }
        return true;
    };
    bool ok = true;
    if (!same) {
        ok = reencipher(*file_) && (!companion_ || reencipher(companion_->file()));
        if (ok) {
            if (companion_) companion_->setKeys(keys.get());
            keys_ = std::move(keys);
        }
    }
    ok = ok && file_->writeAt(0, keys_ ? kCipheredMagic : kPlainMagic, 4);
    TableHeader header = header_;
    std::memcpy(header.magic.data(), keys_ ? kCipheredMagic : kPlainMagic, 4);
    header.check = makeCheckBlock(keys_ ? keys_->password() : std::string_view{});
    ok = ok && writePlain(kCheckBlockOffset, header.check.data(), kCheckBlockSize);
    // The whole file changes in one journalled step: a crash leaves it under
    // the old password or the new one, never half and half.
    if (ok) {
        header_.magic = header.magic;
        header_.check = header.check;
        ok = commit();
    }
    if (!ok && !failed_) {
        keys_ = std::move(previous);
        if (companion_) companion_->setKeys(keys_.get());
        abandon();
    }
    dropAllChunks();
    return ok;
}

bool TableFile::sync() {
    return commit();
}

bool TableFile::changed() const {
    return file_->changed() || (companion_ && companion_->file().changed());
}

bool TableFile::fail() {
    failed_ = true;
    return false;
}

void TableFile::abandon() {
    changing(0, UINT64_MAX);
    // Marks held with the changes may be gone: looked for again when needed.
    marks_.reset();
    dropAllChunks();
    // Whatever cannot be read back leaves the table failed: it refuses changes.
    if (!file_->settle() || !readHeaderAndFields()) failed_ = true;
    if (companion_ && (!companion_->file().settle() || !companion_->reload())) failed_ = true;
}

bool TableFile::commit() {
    if (readOnly()) return !changed();
    if (failed_) return false;
    OverlayFile* companionFile = companion_ ? &companion_->file() : nullptr;
    // Nothing is written through any more; a flush is only owed for bytes an
    // overlay was given that way.
    if (!file_->flushWritten() || (companionFile && !companionFile->flushWritten())) return fail();
    if (!changed()) return true;
    return commitLogged();
}

std::string TableFile::diskHead() {
    std::string head(ChangeLog::kGuardSize, '\0');
    auto got = disk(*file_).readSomeAt(0, head.data(), head.size());
    head.resize(got ? *got : 0);
    return head;
}

bool TableFile::writeOut() {
    for (OverlayFile* file : {file_.get(), companion_ ? &companion_->file() : nullptr}) {
        if (!file || !logged(*file).changed()) continue;
        // The worker reads the disk: it is kept off the bytes written now.
        changing(0, UINT64_MAX);
        // The layers above read the same bytes as before: only this one settles.
        if (!makeCommit(logged(*file).pending(), disk(*file)) || !logged(*file).settle())
            return false;
    }
    return true;
}

bool TableFile::flushFiles() {
    File* companion = companion_ ? &disk(companion_->file()) : nullptr;
    return writeOut() && disk(*file_).sync() && (!companion || companion->sync());
}

bool TableFile::checkpoint() {
    return flushFiles() && log_->restart(diskHead());
}

bool TableFile::flushToFiles() {
    if (readOnly() || failed_) return false;
    if (!log_) return true;
    return checkpoint() || fail();
}

void TableFile::closeLog() {
    // A failed table keeps its log: the next open finishes what it holds.
    if (!log_ || failed_ || readOnly()) return;
    if (flushFiles()) static_cast<void>(log_->remove());
    log_.reset();
}

bool TableFile::commitLogged() {
    OverlayFile* companionFile = companion_ ? &companion_->file() : nullptr;
    ChangeLog::Change change;
    if (file_->changed()) change[ChangeLog::kData] = file_->pending();
    if (companionFile && companionFile->changed())
        change[ChangeLog::kCompanion] = companionFile->pending();
    if (!log_) {
        // The table on disk is as flushed: the log's epoch begins with it.
        auto log = std::make_unique<ChangeLog>(files_, logPath(path_));
        if (!log->start(diskHead())) {
            abandon();  // no record was written
            return false;
        }
        log_ = std::move(log);
    }
    const std::uint64_t size = ChangeLog::recordSize(change);
    // A full log: what it holds is written into the files and flushed first.
    // Should that fail, the log still finishes every change it holds at the
    // next open.
    if (log_->full(size) && !checkpoint()) return fail();
    switch (log_->append(change)) {
        case ChangeLog::Appended::Made:
            break;
        case ChangeLog::Appended::NotMade:
            abandon();  // nothing has changed on disk
            return false;
        case ChangeLog::Appended::Unknown:
            return fail();
    }
    // From here the log finishes the change should anything fail: until the
    // table is opened again it must not be written as if it had not been.
    // The change stays in memory, where every read of this table sees it,
    // until a checkpoint or the close writes the files; one larger than the
    // log's area (a purge, a new password) is written at once, behind the
    // ones before it, so that memory never holds more than the log.
    const bool large = size > ChangeLog::kArea - ChangeLog::kHeaderSize;
    if (large && !writeOut()) return fail();
    std::array<File*, ChangeLog::kFileCount> targets{};
    targets[ChangeLog::kData] = large ? &disk(*file_) : &logged(*file_);
    if (companionFile)
        targets[ChangeLog::kCompanion] = large ? &disk(*companionFile) : &logged(*companionFile);
    if (large) changing(0, UINT64_MAX);
    if (!ChangeLog::apply(change, targets)) return fail();
    // The layer the change went to holds it now: the ones above read it there.
    auto settle = [large](OverlayFile& file) { return large ? settleAll(file) : file.settle(); };
    if (!settle(*file_) || (companionFile && !settle(*companionFile))) return fail();
    return true;
}

}  // namespace qinghe::store
