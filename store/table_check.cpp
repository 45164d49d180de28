#include "store/table_check.h"

#include <cstring>
#include <map>
#include <memory>

#include "store/change_log.h"
#include "store/companion_file.h"
#include "store/key_streams.h"
#include "store/overlay_file.h"
#include "store/table_file.h"
#include "store/table_format.h"

namespace qinghe::store {
namespace {

// The file's bytes as the table will hold them once the changes its log
// holds (when `log` is given) are finished.
std::optional<std::string> readWhole(FileSystem& files, const std::filesystem::path& path,
                                     const ChangeLog* log, ChangeLog::FileIndex index) {
    auto real = files.open(path, OpenMode::ReadOnly);
    if (!real) return std::nullopt;
    OverlayFile file(*real);
    if (log && !log->applyAllTo(index, file)) return std::nullopt;
    auto size = file.size();
    if (!size) return std::nullopt;
    std::string bytes(*size, '\0');
    if (!file.readAt(0, bytes.data(), bytes.size())) return std::nullopt;
    return bytes;
}

std::uint8_t* u8(std::string& s) {
    return reinterpret_cast<std::uint8_t*>(s.data());
}

class Checker {
  public:
    Checker(FileSystem& files, std::filesystem::path path, std::string_view password)
        : files_(files), path_(std::move(path)) {
        if (!password.empty()) keys_ = std::make_unique<KeyStreams>(password, 0);
    }

    TableCheck run() {
        // The log is replayed only when its records fit the data file.
        ChangeLog log(files_, TableFile::logPath(path_));
        if (log.load() == ChangeLog::Found::Pending) {
            auto head = readWhole(files_, path_, nullptr, ChangeLog::kData);
            if (head && log.fits(std::string_view(*head).substr(0, ChangeLog::kGuardSize))) {
                log_ = &log;
                result_.notes.push_back(
                    "changes are pending in the change log: checked as they will be once the "
                    "program finishes them");
            } else {
                result_.notes.push_back(
                    "a change log that does not fit the table is set aside when the program "
                    "next opens it");
            }
        }
        auto bytes = readWhole(files_, path_, log_, ChangeLog::kData);
        if (!bytes) return unreadable("cannot read the data file");
        data_ = std::move(*bytes);
        if (data_.size() < kDescriptorsOffset)
            return unreadable("the data file is shorter than its header");
        const bool ciphered = std::memcmp(data_.data(), kCipheredMagic, 4) == 0;
        const bool plain = std::memcmp(data_.data(), kPlainMagic, 4) == 0;
        if (!ciphered && !plain) return unreadable("unknown magic");
        if (ciphered && !keys_) return unreadable("the table is enciphered: a password is needed");
        if (plain && keys_) return unreadable("the table is plain: no password is needed");
        if (keys_) keys_->apply(0, u8(data_), data_.size());
        TableHeader header = decodeHeader(u8(data_));
        if (keys_) {
            std::string stored(reinterpret_cast<const char*>(header.check.data()), 32);
            if (stored != keys_->digest()) return unreadable("wrong password");
        }
        checkHeader(header);
        checkFields(header);
        checkCompanion(header);
        return result_;
    }

  private:
    TableCheck unreadable(std::string why) {
        result_.readable = false;
        result_.problems.push_back(std::move(why));
        return result_;
    }
    void problem(std::string text) { result_.problems.push_back(std::move(text)); }

    void checkHeader(const TableHeader& header) {
        if (header.version > kFormatVersion) problem("version is newer than 0x00010000");
        if (header.recordSize <= 0) problem("record size is not positive");
        if (header.recordCount < 0) problem("record count is negative");
        if (header.nextSequence <= 0) problem("next sequence number is not positive");
    }

    void checkFields(const TableHeader& header) {
        std::int32_t count = loadI32(u8(data_) + kFieldCountOffset);
        if (count < 1) return problem("no fields");
        if (kDescriptorsOffset + std::uint64_t(count) * kDescriptorSize > data_.size())
            return problem("field descriptors run past the end of the file");
        recordsOffset_ = kDescriptorsOffset + std::uint64_t(count) * kDescriptorSize;
        std::int64_t expectedOffset = kSequenceSize;
        bool layoutOk = true;
        for (std::int32_t i = 0; i < count; ++i) {
            const std::uint8_t* d = u8(data_) + kDescriptorsOffset + i * kDescriptorSize;
            std::string label = "field " + std::to_string(i + 1);
            if (!std::memchr(d, 0, 17)) {
                problem(label + ": name is not terminated");
                layoutOk = false;
                continue;
            }
            FieldInfo field;
            field.name = reinterpret_cast<const char*>(d);
            std::int32_t code = loadI32(d + 20);
            field.offset = loadI32(d + 24);
            std::int32_t declared = loadI32(d + 28);
            if (!isValidFieldType(code)) {
                problem(label + ": type code " + std::to_string(code) + " is not 1 to 12");
                layoutOk = false;
                continue;
            }
            field.type = static_cast<FieldType>(code);
            if (field.type == FieldType::Text && declared <= 0) {
                problem(label + ": text width is not positive");
                layoutOk = false;
                continue;
            }
            field.width = fieldWidth(field.type, declared);
            if (field.offset != expectedOffset) {
                problem(label + ": offset " + std::to_string(field.offset) + ", expected " +
                        std::to_string(expectedOffset));
                layoutOk = false;
            }
            expectedOffset = std::int64_t(field.offset) + field.width;
            fields_.push_back(field);
        }
        if (layoutOk && expectedOffset != header.recordSize) {
            problem("record size " + std::to_string(header.recordSize) +
                    " does not match the fields (" + std::to_string(expectedOffset) + ")");
            layoutOk = false;
        }
        if (header.recordSize < std::int32_t(kSequenceSize) || header.recordCount < 0) return;
        std::uint64_t expectedLength =
            recordsOffset_ + std::uint64_t(header.recordCount) * header.recordSize;
        if (data_.size() < expectedLength) {
            problem("the file holds " +
                    std::to_string((data_.size() - recordsOffset_) / header.recordSize) +
                    " whole records, the header counts " + std::to_string(header.recordCount));
        } else if (data_.size() > expectedLength) {
            // What an append left before its count was written: never read,
            // cut off when the program next opens the table.
            result_.notes.push_back(std::to_string(data_.size() - expectedLength) +
                                    " bytes of an unfinished append follow the last record");
        }
        recordsOk_ = layoutOk;
        recordCount_ = std::min<std::uint64_t>(header.recordCount,
                                               (data_.size() - recordsOffset_) / header.recordSize);
        recordSize_ = header.recordSize;
        for (std::uint64_t r = 0; r < recordCount_; ++r) {
            std::int32_t sequence = loadI32(u8(data_) + recordsOffset_ + r * recordSize_);
            if (sequence == 0 || std::abs(std::int64_t(sequence)) >= header.nextSequence) {
                problem("record " + std::to_string(r + 1) + ": sequence number " +
                        std::to_string(sequence) + " is not below the next (" +
                        std::to_string(header.nextSequence) + ")");
            }
        }
    }

    void checkCompanion(const TableHeader& header) {
        bool needed = false;
        for (const auto& field : fields_) needed = needed || usesCompanion(field.type);
        if (!needed) return;
        auto path = CompanionFile::find(files_, path_);
        if (!path) return problem("the companion file is missing");
        auto bytes = readWhole(files_, *path, log_, ChangeLog::kCompanion);
        if (!bytes || bytes->size() < kBlockSize)
            return problem("the companion file is shorter than its header");
        companion_ = std::move(*bytes);
        if (std::memcmp(companion_.data(), kCompanionMagic, 4) != 0)
            return problem("the companion file has no WEDT magic");
        if (keys_) keys_->apply(0, u8(companion_), companion_.size());
        const std::uint8_t* h = u8(companion_);
        if (loadU32(h + 4) != header.version) problem("the companion file's version differs");
        blockCount_ = loadI32(h + 16);
        std::int32_t freeCount = loadI32(h + 20);
        std::int32_t freeStart = loadI32(h + 24);
        if (blockCount_ <= 0) return problem("companion block count is not positive");
        std::uint64_t wholeBlocks = companion_.size() / kBlockSize;
        if (wholeBlocks < std::uint64_t(blockCount_)) {
            problem("the companion file holds " + std::to_string(wholeBlocks) +
                    " blocks, its header counts " + std::to_string(blockCount_));
            blockCount_ = static_cast<std::int32_t>(wholeBlocks);
        }
        if (freeCount < 0 || freeCount >= blockCount_) problem("free block count out of range");
        if (freeStart < 0 || freeStart >= blockCount_)
            return problem("free chain start out of range");

        std::int32_t freeLength = walk(freeStart, "the free chain");
        if (freeLength >= 0 && freeLength != freeCount) {
            problem("the free chain holds " + std::to_string(freeLength) +
                    " blocks, the header counts " + std::to_string(freeCount));
        }
        if (!recordsOk_) return;
        for (std::uint64_t r = 0; r < recordCount_; ++r) {
            const std::uint8_t* record = u8(data_) + recordsOffset_ + r * recordSize_;
            for (const auto& field : fields_) {
                if (!usesCompanion(field.type)) continue;
                walk(loadI32(record + field.offset),
                     "record " + std::to_string(r + 1) + " field " + field.name);
            }
        }
    }

    // Follows a chain, marking its blocks; the number of blocks, or -1 when the
    // chain is damaged.
    std::int32_t walk(std::int32_t first, const std::string& owner) {
        std::int32_t length = 0;
        std::int32_t previous = 0;
        for (std::int32_t block = first; block != 0;) {
            if (block < 0 || block >= blockCount_) {
                problem(owner + ": block " + std::to_string(block) + " is outside the file");
                return -1;
            }
            auto [it, fresh] = owners_.emplace(block, owner);
            if (!fresh) {
                problem(it->second == owner ? owner + ": the chain runs in a cycle at block " +
                                                  std::to_string(block)
                                            : owner + ": block " + std::to_string(block) +
                                                  " also belongs to " + it->second);
                return -1;
            }
            const std::uint8_t* b = u8(companion_) + std::uint64_t(block) * kBlockSize;
            std::int32_t used = loadI32(b + 8);
            if (used < 0 || used > std::int32_t(kBlockPayload))
                problem(owner + ": block " + std::to_string(block) + " uses " +
                        std::to_string(used) + " bytes");
            if (loadI32(b) != previous)
                problem(owner + ": block " + std::to_string(block) + " has a wrong previous link");
            previous = block;
            ++length;
            block = loadI32(b + 4);
        }
        return length;
    }

    FileSystem& files_;
    std::filesystem::path path_;
    const ChangeLog* log_ = nullptr;
    std::unique_ptr<KeyStreams> keys_;
    TableCheck result_;
    std::string data_;
    std::string companion_;
    std::vector<FieldInfo> fields_;
    std::uint64_t recordsOffset_ = 0;
    std::uint64_t recordCount_ = 0;
    std::int32_t recordSize_ = 0;
    bool recordsOk_ = false;
    std::int32_t blockCount_ = 0;
    std::map<std::int32_t, std::string> owners_;
};

}  // namespace

TableCheck checkTable(FileSystem& files, const std::filesystem::path& dataFile,
                      std::string_view password) {
    return Checker(files, dataFile, password).run();
}

}  // namespace qinghe::store
