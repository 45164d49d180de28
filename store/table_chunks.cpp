// The chunk cache of a table's records, and reading ahead of a walk.
#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include "store/table_file.h"

namespace qinghe::store {

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
    if (readAhead_ && !data_.held().changes(start, end) && !data_.logged().changes(start, end))
        bytes = readAhead_->take(index, length, decipher);
    if (!bytes) {
        bytes = std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize);
        if (!data_.held().readAt(start, bytes.get(), length)) return nullptr;
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
            readAhead_ = std::make_unique<ChunkReadAhead>(data_.disk(), kChunkSize,
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

void TableFile::releaseCache() {
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

}  // namespace qinghe::store
