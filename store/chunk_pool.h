#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace qinghe::store {

class TableFile;

// The memory budget for deciphered record data, shared by all open tables.
// Tables keep their records in 64 KiB chunks; when the budget is exceeded the
// pool makes the owners drop chunks, oldest first, sparing a chunk once when it
// was used since it was last looked at (a clock). A walk over a table larger
// than the budget thus deciphers each chunk once per walk.
class ChunkPool {
  public:
    static constexpr std::size_t kDefaultBudget = 128u << 20;

    explicit ChunkPool(std::size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    void added(TableFile* owner, std::uint32_t chunk, std::size_t bytes);
    // Called when a table drops chunks itself (close, purge, zap).
    void forget(TableFile* owner);
    std::size_t usedBytes() const { return used_; }

  private:
    void evict();

    struct Entry {
        TableFile* owner;
        std::uint32_t chunk;
    };
    std::deque<Entry> ring_;
    std::size_t used_ = 0;
    std::size_t budget_;
};

}  // namespace qinghe::store
