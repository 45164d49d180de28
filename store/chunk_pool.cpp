#include "store/chunk_pool.h"

#include <algorithm>

#include "store/table_file.h"

namespace qinghe::store {

void ChunkPool::added(TableFile* owner, std::uint32_t chunk, std::size_t bytes) {
    ring_.push_back({owner, chunk});
    used_ += bytes;
    evict();
}

void ChunkPool::forget(TableFile* owner) {
    std::size_t before = ring_.size();
    std::erase_if(ring_, [owner](const Entry& e) { return e.owner == owner; });
    used_ -= (before - ring_.size()) * TableFile::kChunkSize;
}

void ChunkPool::evict() {
    // Each entry is looked at most twice per round: once to clear its mark,
    // once to drop it. A table refuses to drop the chunk it is handing out.
    std::size_t budgetLooks = 2 * ring_.size();
    while (used_ > budget_ && ring_.size() > 1 && budgetLooks-- > 0) {
        Entry entry = ring_.front();
        ring_.pop_front();
        if (entry.owner->chunkReferenced(entry.chunk)) {
            ring_.push_back(entry);
            continue;
        }
        if (entry.owner->dropChunk(entry.chunk)) {
            used_ -= TableFile::kChunkSize;
        } else {
            ring_.push_back(entry);
        }
    }
}

}  // namespace qinghe::store
