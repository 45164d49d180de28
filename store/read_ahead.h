#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "store/file_layer.h"
#include "store/page_cipher.h"

namespace qinghe::store {

// Reads and deciphers the chunks ahead of a walk over a data file on a second
// thread. The owning thread makes chunks of the same queue while it waits for
// one the worker is on, so a first walk over an enciphered table spreads the
// cipher over two cores and hides the reading and the page faults behind it.
// It never waits idle for the worker: with nothing else queued it makes the
// chunk itself, so a worker kept off the processor costs no more than making
// the chunks alone.
//
// Only the owning thread calls these functions. The worker reads through
// File::readAt, at the same time as the owner may read or write other parts of
// the file: before the owner changes bytes of the file it calls forget() for
// them, which waits until the worker is off them and drops what it made there.
// Chunks made ahead are kept until taken or forgotten, a few at most (the
// window the owner queues), outside the chunk pool's budget.
class ChunkReadAhead {
  public:
    // Deciphers `length` bytes read from file offset `offset`, in place.
    using Decipher =
        std::function<void(std::uint64_t offset, std::uint8_t* data, std::size_t length)>;

    // An empty password reads a plain file. Throws std::system_error when no
    // thread can be started.
    ChunkReadAhead(File& file, std::size_t chunkSize, std::string_view password);
    // Stops the worker; it finishes the chunk it is on first.
    ~ChunkReadAhead();
    ChunkReadAhead(const ChunkReadAhead&) = delete;
    ChunkReadAhead& operator=(const ChunkReadAhead&) = delete;

    // Queues the first `length` bytes of chunk `chunk` (the part inside the
    // file); nothing when it is queued already.
    void queue(std::uint32_t chunk, std::size_t length);
    // The plain bytes of a queued chunk of that length (a buffer of chunkSize
    // bytes), made by the worker or here with `decipher`; null when the chunk
    // was not queued so, or could not be read. It leaves the queue.
    std::unique_ptr<std::uint8_t[]> take(std::uint32_t chunk, std::size_t length,
                                         const Decipher& decipher);
    // Drops every chunk outside [first, last] that the worker is not on.
    void keepOnly(std::uint32_t first, std::uint32_t last);
    // Drops every chunk that has bytes in [from, to) once the worker is off it.
    void forget(std::uint64_t from, std::uint64_t to);

  private:
    enum class State { Queued, Working, Done };
    struct Slot {
        std::uint32_t chunk;
        std::size_t length;
        State state;
        // Allocated by the owner when queued, so that every chunk comes from
        // the owner's heap whichever thread fills it.
        std::unique_ptr<std::uint8_t[]> bytes;
        bool made = false;       // Done: read and deciphered
        bool abandoned = false;  // Working: the owner made it itself meanwhile
    };

    void run();
    // Reads and deciphers into `bytes`; false when the read fails (or anything
    // else does: the owner then tries again itself and sees why).
    bool make(std::uint32_t chunk, std::size_t length, std::uint8_t* bytes,
              const Decipher& decipher) noexcept;
    // Marks a Working slot Done, or drops it when abandoned; with the mutex
    // held.
    void finish(Slot* slot, bool made);
    Slot* find(std::uint32_t chunk);
    Slot* firstQueued();
    void erase(const Slot* slot);
    bool overlaps(const Slot& slot, std::uint64_t from, std::uint64_t to) const;

    File& file_;
    const std::size_t chunkSize_;
    // The worker's own key streams: the table's are not shared with it.
    std::optional<PageCipher> cipher_;
    Decipher workerDecipher_;

    std::mutex mutex_;
    std::condition_variable wake_;  // the worker: queued work or stop
    std::condition_variable done_;  // the owner: a Working chunk finished
    // Few, in the order queued. A Working slot stays where it is (the thread
    // on it holds its address) until that thread finishes it.
    std::list<Slot> slots_;
    bool stop_ = false;
    std::thread worker_;  // last: started once everything above exists
};

}  // namespace qinghe::store
