#include "store/key_streams.h"

#include <algorithm>
#include <cstring>

#include "store/table_format.h"

namespace qinghe::store {

KeyStreams::KeyStreams(std::string_view password, std::size_t maxCachedPages)
    : cipher_(password),
      maxCachedPages_(maxCachedPages),
      scratch_(new std::uint8_t[kCipherPageSize]) {}

const std::uint8_t* KeyStreams::page(std::uint32_t index) {
    if (index >= maxCachedPages_) {
        cipher_.pageKeyStream(index, scratch_.get());
        return scratch_.get();
    }
    if (index >= pages_.size()) pages_.resize(index + 1);
    auto& slot = pages_[index];
    if (!slot) {
        slot.reset(new std::uint8_t[kCipherPageSize]);
        cipher_.pageKeyStream(index, slot.get());
        ++cachedPages_;
    }
    return slot.get();
}

void KeyStreams::pageStream(std::uint32_t index, std::uint8_t* out) {
    if (kept(index)) {
        std::memcpy(out, pages_[index].get(), kCipherPageSize);
    } else {
        cipher_.pageKeyStream(index, out);
    }
}

void KeyStreams::applyTo(std::uint64_t offset, const std::uint8_t* in, std::uint8_t* out,
                         std::size_t length) {
    if (in != out) std::memcpy(out, in, length);
    apply(offset, out, length);
}

void KeyStreams::apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) {
    applyPages(offset, data, length, false);
}

void KeyStreams::applyForRead(std::uint64_t offset, std::uint8_t* data, std::size_t length) {
    applyPages(offset, data, length, true);
}

void KeyStreams::applyPages(std::uint64_t offset, std::uint8_t* data, std::size_t length,
                            bool forRead) {
    if (offset < kMagicSize) {
        std::size_t skip = std::min<std::uint64_t>(kMagicSize - offset, length);
        offset += skip;
        data += skip;
        length -= skip;
    }
    while (length > 0) {
        auto index = static_cast<std::uint32_t>(offset / kCipherPageSize);
        std::size_t within = offset % kCipherPageSize;
        std::size_t n = std::min(length, kCipherPageSize - within);
        if (forRead && n == kCipherPageSize && !kept(index)) {
            cipher_.apply(offset, data, n);
            offset += n;
            data += n;
            length -= n;
            continue;
        }
        const std::uint8_t* stream = page(index) + within;
        // Whole words where possible; the compiler vectorises this loop.
        std::size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            std::uint64_t a, b;
            std::memcpy(&a, data + i, 8);
            std::memcpy(&b, stream + i, 8);
            a ^= b;
            std::memcpy(data + i, &a, 8);
        }
        for (; i < n; ++i) data[i] ^= stream[i];
        offset += n;
        data += n;
        length -= n;
    }
}

}  // namespace qinghe::store
