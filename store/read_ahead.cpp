#include "store/read_ahead.h"

#include <algorithm>
#include <exception>

namespace qinghe::store {

ChunkReadAhead::ChunkReadAhead(File& file, std::size_t chunkSize, std::string_view password)
    : file_(file), chunkSize_(chunkSize) {
    if (!password.empty()) {
        cipher_.emplace(password);
        workerDecipher_ = [this](std::uint64_t offset, std::uint8_t* data, std::size_t length) {
            cipher_->apply(offset, data, length);
        };
    }
    worker_ = std::thread(&ChunkReadAhead::run, this);
}

ChunkReadAhead::~ChunkReadAhead() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void ChunkReadAhead::queue(std::uint32_t chunk, std::size_t length) {
    {
        std::lock_guard lock(mutex_);
        if (find(chunk)) return;
        // Not zeroed: the read fills what is used.
        slots_.push_back(Slot{chunk, length, State::Queued,
                              std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize_)});
    }
    wake_.notify_one();
}

std::unique_ptr<std::uint8_t[]> ChunkReadAhead::take(std::uint32_t chunk, std::size_t length,
                                                     const Decipher& decipher) {
    std::unique_lock lock(mutex_);
    for (;;) {
        Slot* slot = find(chunk);
        if (!slot) return nullptr;
        if (slot->state == State::Done) {
            std::unique_ptr<std::uint8_t[]> bytes;
            if (slot->made && slot->length == length) bytes = std::move(slot->bytes);
            erase(slot);
            return bytes;
        }
        if (slot->state == State::Queued) {
            std::unique_ptr<std::uint8_t[]> bytes;
            if (slot->length == length) bytes = std::move(slot->bytes);
            erase(slot);
            lock.unlock();
            if (!bytes || !make(chunk, length, bytes.get(), decipher)) return nullptr;
            return bytes;
        }
        // The worker is on it: rather than wait, make a chunk that comes after
        // it; the slot stays put while this thread is on it.
        if (Slot* next = firstQueued()) {
            next->state = State::Working;
            lock.unlock();
            const bool made = make(next->chunk, next->length, next->bytes.get(), decipher);
            lock.lock();
            finish(next, made);
            continue;
        }
        // Nothing else to do: the worker has been off the processor for as
        // long as this thread took for the chunks after it. Making the chunk
        // here costs no more than waiting for it.
        slot->abandoned = true;
        lock.unlock();
        auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize_);
        if (!make(chunk, length, bytes.get(), decipher)) return nullptr;
        return bytes;
    }
}

void ChunkReadAhead::keepOnly(std::uint32_t first, std::uint32_t last) {
    std::lock_guard lock(mutex_);
    std::erase_if(slots_, [&](const Slot& slot) {
        return slot.state != State::Working && (slot.chunk < first || slot.chunk > last);
    });
}

void ChunkReadAhead::forget(std::uint64_t from, std::uint64_t to) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] {
        return std::none_of(slots_.begin(), slots_.end(), [&](const Slot& slot) {
            return slot.state == State::Working && overlaps(slot, from, to);
        });
    });
    std::erase_if(slots_, [&](const Slot& slot) {
        return slot.state != State::Working && overlaps(slot, from, to);
    });
}

void ChunkReadAhead::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || firstQueued(); });
        if (stop_) return;
        Slot* slot = firstQueued();
        slot->state = State::Working;
        lock.unlock();
        const bool made = make(slot->chunk, slot->length, slot->bytes.get(), workerDecipher_);
        lock.lock();
        finish(slot, made);
    }
}

void ChunkReadAhead::finish(Slot* slot, bool made) {
    if (slot->abandoned) {
        erase(slot);
    } else {
        slot->made = made;
        slot->state = State::Done;
    }
    done_.notify_all();
}

bool ChunkReadAhead::make(std::uint32_t chunk, std::size_t length, std::uint8_t* bytes,
                          const Decipher& decipher) noexcept {
    const std::uint64_t start = std::uint64_t{chunk} * chunkSize_;
    try {
        if (!file_.readAt(start, bytes, length)) return false;
        if (decipher) decipher(start, bytes, length);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

ChunkReadAhead::Slot* ChunkReadAhead::find(std::uint32_t chunk) {
    auto it = std::find_if(slots_.begin(), slots_.end(), [chunk](const Slot& slot) {
        return slot.chunk == chunk && !slot.abandoned;
    });
    return it == slots_.end() ? nullptr : &*it;
}

ChunkReadAhead::Slot* ChunkReadAhead::firstQueued() {
    auto it = std::find_if(slots_.begin(), slots_.end(),
                           [](const Slot& slot) { return slot.state == State::Queued; });
    return it == slots_.end() ? nullptr : &*it;
}

void ChunkReadAhead::erase(const Slot* slot) {
    slots_.remove_if([slot](const Slot& other) { return &other == slot; });
}

bool ChunkReadAhead::overlaps(const Slot& slot, std::uint64_t from, std::uint64_t to) const {
    const std::uint64_t start = std::uint64_t{slot.chunk} * chunkSize_;
    return start < to && from < start + slot.length;
}

}  // namespace qinghe::store
