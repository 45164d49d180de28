// Changes of a table's records and of its password, held until the commit
// (zap and a new password commit at once).
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "store/table_file.h"

namespace qinghe::store {

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
    written = data_.held().writeAt(offset, bytes, length);
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
    bool ok = data_.held().truncate(recordsOffset_);
    releaseCache();
    if (ok && companion_) ok = companion_->reset();
    // Records and their values go in one step.
    if (ok && commit()) {
        marks_ = std::set<std::int32_t>{};
        return true;
    }
    if (!failed_) discard();
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
        ok = reencipher(data_.held()) && (!companionFile_ || reencipher(companionFile_->held()));
        if (ok) {
            if (companion_) companion_->setKeys(keys.get());
            keys_ = std::move(keys);
        }
    }
    ok = ok && data_.held().writeAt(0, keys_ ? kCipheredMagic : kPlainMagic, 4);
    TableHeader header = header_;
    std::memcpy(header.magic.data(), keys_ ? kCipheredMagic : kPlainMagic, 4);
    header.check = makeCheckBlock(keys_ ? keys_->password() : std::string_view{});
    ok = ok && writePlain(kCheckBlockOffset, header.check.data(), kCheckBlockSize);
    // The whole file changes in one commit: a crash leaves it under the old
    // password or the new one, never half and half.
    if (ok) {
        header_.magic = header.magic;
        header_.check = header.check;
        ok = commit();
    }
    if (!ok && !failed_) {
        keys_ = std::move(previous);
        if (companion_) companion_->setKeys(keys_.get());
        discard();
    }
    releaseCache();
    return ok;
}

}  // namespace qinghe::store
