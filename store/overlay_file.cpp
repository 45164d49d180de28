#include "store/overlay_file.h"

#include <algorithm>
#include <cstring>

namespace qinghe::store {

OverlayFile::OverlayFile(File& below) : below_(below) {
    lengthKnown_ = clear();
}

bool OverlayFile::clear() {
    writes_.clear();
    const auto size = below_.size();
    if (!size) return false;
    diskLength_ = length_ = visibleDisk_ = *size;
    return true;
}

bool OverlayFile::readAt(std::uint64_t offset, void* data, std::size_t length) {
    auto got = readSomeAt(offset, data, length);
    return got && *got == length;
}

std::optional<std::size_t> OverlayFile::readSomeAt(std::uint64_t offset, void* data,
                                                   std::size_t length) {
    if (!lengthKnown_) return std::nullopt;
    if (offset >= length_) return 0;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(length, length_ - offset));
    auto* out = static_cast<std::uint8_t*>(data);
    const std::uint64_t end = offset + n;
    // The disk's bytes as far as they are still part of the file, zeros after.
    const std::uint64_t diskEnd = std::min({end, visibleDisk_, diskLength_});
    std::size_t fromDisk = offset < diskEnd ? static_cast<std::size_t>(diskEnd - offset) : 0;
    if (fromDisk > 0 && !below_.readAt(offset, out, fromDisk)) return std::nullopt;
    std::memset(out + fromDisk, 0, n - fromDisk);
    if (writes_.empty()) return n;
    auto it = writes_.upper_bound(offset);
    if (it != writes_.begin()) --it;
    for (; it != writes_.end() && it->first < end; ++it) {
        const std::uint64_t from = std::max(offset, it->first);
        const std::uint64_t to = std::min<std::uint64_t>(end, it->first + it->second.size());
        if (from >= to) continue;
        std::memcpy(out + (from - offset), it->second.data() + (from - it->first), to - from);
    }
    return n;
}

bool OverlayFile::writeAt(std::uint64_t offset, const void* data, std::size_t length) {
    if (!lengthKnown_) return false;
    if (length == 0) return true;
    const std::uint64_t end = offset + length;
    // Merge with every held write that overlaps or touches [offset, end).
    std::uint64_t start = offset;
    std::uint64_t stop = end;
    auto first = writes_.upper_bound(offset);
    if (first != writes_.begin()) {
        auto before = std::prev(first);
        if (before->first + before->second.size() >= offset) first = before;
    }
    auto last = first;
    while (last != writes_.end() && last->first <= end) {
        start = std::min(start, last->first);
        stop = std::max<std::uint64_t>(stop, last->first + last->second.size());
        ++last;
    }
    if (first != last && first->first == start) {
        // The held write where the merged run begins grows in place: a run
        // written piece by piece (a picture's blocks) costs its bytes, not
        // their square.
        std::string& run = first->second;
        if (run.size() < stop - start) run.resize(static_cast<std::size_t>(stop - start));
        for (auto it = std::next(first); it != last; ++it) {
            std::memcpy(run.data() + (it->first - start), it->second.data(), it->second.size());
        }
        std::memcpy(run.data() + (offset - start), data, length);
        writes_.erase(std::next(first), last);
    } else {
        std::string merged(static_cast<std::size_t>(stop - start), '\0');
        for (auto it = first; it != last; ++it) {
            std::memcpy(merged.data() + (it->first - start), it->second.data(), it->second.size());
        }
        std::memcpy(merged.data() + (offset - start), data, length);
        writes_.erase(first, last);
        writes_.emplace(start, std::move(merged));
    }
    length_ = std::max(length_, end);
    return true;
}

bool OverlayFile::writeAt(std::uint64_t offset, std::string&& bytes) {
    if (!lengthKnown_) return false;
    const std::uint64_t end = offset + bytes.size();
    const bool cutBelow = visibleDisk_ < diskLength_ && end > visibleDisk_;
    // Held writes inside the range are replaced whole; one reaching out of
    // it would have to be merged: the copying way then.
    auto first = writes_.lower_bound(offset);
    const bool reachesIn = first != writes_.begin() &&
                           std::prev(first)->first + std::prev(first)->second.size() > offset;
    auto last = first;
    while (last != writes_.end() && last->first < end) ++last;
    const bool reachesOut =
        last != first && std::prev(last)->first + std::prev(last)->second.size() > end;
    if (bytes.empty() || cutBelow || reachesIn || reachesOut)
        return writeAt(offset, bytes.data(), bytes.size());
    writes_.erase(first, last);
    writes_.emplace(offset, std::move(bytes));
    length_ = std::max(length_, end);
    return true;
}

std::optional<std::uint64_t> OverlayFile::size() {
    if (!lengthKnown_) return std::nullopt;
    return length_;
}

bool OverlayFile::truncate(std::uint64_t length) {
    if (!lengthKnown_) return false;
    if (length < length_) {
        auto it = writes_.lower_bound(length);
        writes_.erase(it, writes_.end());
        if (!writes_.empty()) {
            auto& [at, bytes] = *std::prev(writes_.end());
            if (at + bytes.size() > length) bytes.resize(static_cast<std::size_t>(length - at));
        }
        visibleDisk_ = std::min(visibleDisk_, length);
    }
    length_ = length;
    return true;
}

bool OverlayFile::changed() const {
    return !writes_.empty() || length_ != diskLength_ || visibleDisk_ < diskLength_;
}

bool OverlayFile::changes(std::uint64_t from, std::uint64_t to) const {
    if (visibleDisk_ < diskLength_ && to > visibleDisk_) return true;
    auto it = writes_.upper_bound(from);
    if (it != writes_.begin()) --it;
    for (; it != writes_.end() && it->first < to; ++it) {
        if (it->first + it->second.size() > from) return true;
    }
    return false;
}

OverlayFile::Commit OverlayFile::pending() const {
    Commit commit;
    if (visibleDisk_ < diskLength_) commit.cutFirst = visibleDisk_;
    commit.writes.reserve(writes_.size());
    for (const auto& [offset, bytes] : writes_) commit.writes.push_back({offset, bytes});
    commit.length = length_;
    return commit;
}

bool makeCommit(const OverlayFile::Commit& commit, File& file) {
    if (commit.cutFirst && !file.truncate(*commit.cutFirst)) return false;
    std::uint64_t end = 0;
    for (const auto& write : commit.writes) {
        if (!file.writeAt(write.offset, write.bytes.data(), write.bytes.size())) return false;
        end = std::max<std::uint64_t>(end, write.offset + write.bytes.size());
    }
    // Setting a file's length walks its extents even when the length stays:
    // an append that ends where the file now ends needs no cut.
    if (end == commit.length) {
        const auto size = file.size();
        if (size && *size == commit.length) return true;
    }
    return file.truncate(commit.length);
}

}  // namespace qinghe::store
