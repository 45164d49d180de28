// The purge: the records marked deleted go, the ones after them move up,
// and their values in the companion file are freed, as one change.
#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/table_file.h"

namespace qinghe::store {

void TableFile::learnMarks(std::vector<std::int32_t> marked) {
    marks_ = std::set<std::int32_t>(marked.begin(), marked.end());
}

std::optional<std::string> TableFile::movedTail(std::int32_t first, std::uint64_t& newLength) {
    const std::size_t size = static_cast<std::size_t>(header_.recordSize);
    const std::uint64_t region = recordsOffset_ + static_cast<std::uint64_t>(first) * size;
    const std::uint64_t end = fileLength();
    std::string bytes(static_cast<std::size_t>(end - region), '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
    if (!data_.held().readAt(region, b, bytes.size())) return std::nullopt;

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
    // change.
    changing(tailOffset, UINT64_MAX);
    bool ok = data_.held().writeAt(tailOffset, std::move(*tail));
    tail.reset();
    // The chunks from the first moved record on are read again when needed.
    for (auto index = static_cast<std::uint32_t>(tailOffset / kChunkSize); index < chunks_.size();
         ++index) {
        dropChunk(index);
    }
    ok = ok && writeCounts(live, header_.nextSequence) && data_.held().truncate(newLength);
    // The values of the dropped records are freed in the same change: a crash
    // leaves them in use by their records or free, never both.
    if (ok && companion_ && !releasedChains.empty()) ok = companion_->release(releasedChains);
    if (ok && commit()) {
        marks_->clear();
        return true;
    }
    if (!failed_) discard();
    return false;
}

}  // namespace qinghe::store
