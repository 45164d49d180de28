#include "store/companion_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "store/table_format.h"

namespace qinghe::store {
namespace {

void encodeCompanionHeader(const CompanionHeader& header, std::uint8_t* out) {
    std::memset(out, 0, kBlockSize);
    std::memcpy(out, kCompanionMagic, 4);
    storeI32(out + 4, static_cast<std::int32_t>(header.version));
    storeF64(out + 8, header.created);
    storeI32(out + 16, header.blockCount);
    storeI32(out + 20, header.freeCount);
    storeI32(out + 24, header.freeStart);
}

}  // namespace

std::filesystem::path CompanionFile::pathFor(const std::filesystem::path& dataFile) {
    std::filesystem::path path = dataFile;
    path.replace_extension(".EDT");
    return path;
}

std::optional<std::filesystem::path> CompanionFile::find(FileSystem& files,
                                                         const std::filesystem::path& dataFile) {
    // Tables made elsewhere may carry ".edt", ".EDT" or any mix.
    const std::string letters = "EDT";
    for (int mask = 0; mask < 8; ++mask) {
        std::string extension = ".";
        for (int i = 0; i < 3; ++i) {
            char c = letters[i];
            extension += (mask & (1 << i)) ? static_cast<char>(c + 32) : c;
        }
        std::filesystem::path candidate = dataFile;
        candidate.replace_extension(extension);
        if (files.exists(candidate)) return candidate;
    }
    return std::nullopt;
}

bool CompanionFile::create(FileSystem& files, const std::filesystem::path& path, double created) {
    auto file = files.open(path, OpenMode::Create);
    if (!file) return false;
    CompanionHeader header;
    header.version = kFormatVersion;
    header.created = created;
    std::array<std::uint8_t, kBlockSize> block{};
    encodeCompanionHeader(header, block.data());
    return file->writeAt(0, block.data(), block.size()) && file->sync();
}

std::optional<CompanionHeader> CompanionFile::readHeader(File& file, KeyStreams* keys) {
    std::array<std::uint8_t, kBlockSize> block{};
    if (!file.readAt(0, block.data(), block.size())) return std::nullopt;
    if (std::memcmp(block.data(), kCompanionMagic, 4) != 0) return std::nullopt;
    if (keys) keys->apply(0, block.data(), block.size());
    CompanionHeader header;
    header.version = loadU32(block.data() + 4);
    header.created = loadF64(block.data() + 8);
    header.blockCount = loadI32(block.data() + 16);
    header.freeCount = loadI32(block.data() + 20);
    header.freeStart = loadI32(block.data() + 24);
    if (header.blockCount <= 0) return std::nullopt;
    if (header.freeCount < 0 || header.freeCount >= header.blockCount) return std::nullopt;
    if (header.freeStart < 0 || header.freeStart >= header.blockCount) return std::nullopt;
    return header;
}

std::unique_ptr<CompanionFile> CompanionFile::open(File& file, std::uint32_t expectedVersion,
                                                   KeyStreams* keys, bool* cut) {
    if (cut) *cut = false;
    auto header = readHeader(file, keys);
    if (!header || header->version != expectedVersion) return nullptr;
    auto size = file.size();
    if (!size) return nullptr;
    std::uint64_t wholeBlocks = *size / kBlockSize;
    std::unique_ptr<CompanionFile> companion(new CompanionFile(file, keys, *header));
    if (wholeBlocks < static_cast<std::uint64_t>(header->blockCount)) {
        companion->header_.blockCount = static_cast<std::int32_t>(wholeBlocks);
        if (!companion->writeHeader()) return nullptr;
        if (cut) *cut = true;
    }
    return companion;
}

bool CompanionFile::reload() {
    freeList_.reset();
    auto header = readHeader(file_, keys_);
    if (!header) return false;
    header_ = *header;
    return true;
}

CompanionFile::CompanionFile(File& file, KeyStreams* keys, CompanionHeader header)
    : file_(file), keys_(keys), header_(header) {}

bool CompanionFile::readBlock(std::int32_t block, std::uint8_t* out) {
    std::uint64_t offset = static_cast<std::uint64_t>(block) * kBlockSize;
    if (!file_.readAt(offset, out, kBlockSize)) return false;
    if (keys_) keys_->apply(offset, out, kBlockSize);
    return true;
}

bool CompanionFile::writeBytes(std::uint64_t offset, const std::uint8_t* plain,
                               std::size_t length) {
    if (!keys_) return file_.writeAt(offset, plain, length);
    std::vector<std::uint8_t> buffer(length);
    keys_->applyTo(offset, plain, buffer.data(), length);
    return file_.writeAt(offset, buffer.data(), length);
}

bool CompanionFile::writeHeader() {
    header_.freeCount =
        freeList_ ? static_cast<std::int32_t>(freeList_->size()) : header_.freeCount;
    if (freeList_) header_.freeStart = freeList_->empty() ? 0 : freeList_->front();
    std::array<std::uint8_t, kBlockSize> block{};
    encodeCompanionHeader(header_, block.data());
    // Only the first 32 bytes carry anything; the rest stays zero.
    return writeBytes(0, block.data(), 32);
}

namespace {

// A block's links, then its payload (when given) padded with zeros to the
// block's end; `out` holds kBlockSize bytes, zeroed by the caller.
void encodeBlock(const CompanionFile::Block& links, const std::uint8_t* payload,
                 std::uint8_t* out) {
    storeI32(out, links.previous);
    storeI32(out + 4, links.next);
    storeI32(out + 8, links.used);
    if (payload) std::memcpy(out + kBlockHeaderSize, payload, links.used);
}

}  // namespace

bool CompanionFile::writeBlock(std::int32_t block, const Block& links,
                               const std::uint8_t* payload) {
    std::array<std::uint8_t, kBlockSize> bytes{};
    encodeBlock(links, payload, bytes.data());
    return writeBytes(static_cast<std::uint64_t>(block) * kBlockSize, bytes.data(),
                      payload ? kBlockSize : kBlockHeaderSize);
}

std::optional<CompanionFile::Block> CompanionFile::readBlockHeader(std::int32_t block) {
    if (block <= 0 || block >= header_.blockCount) return std::nullopt;
    std::uint64_t offset = static_cast<std::uint64_t>(block) * kBlockSize;
    std::array<std::uint8_t, kBlockHeaderSize> bytes{};
    if (!file_.readAt(offset, bytes.data(), bytes.size())) return std::nullopt;
    if (keys_) keys_->apply(offset, bytes.data(), bytes.size());
    return Block{loadI32(bytes.data()), loadI32(bytes.data() + 4), loadI32(bytes.data() + 8)};
}

std::optional<std::vector<std::int32_t>> CompanionFile::chain(std::int32_t first) {
    std::vector<std::int32_t> blocks;
    if (first == 0) return blocks;
    std::int32_t current = first;
    while (current != 0) {
        // A chain can hold each block once: a longer walk is a cycle.
        if (blocks.size() >= static_cast<std::size_t>(header_.blockCount)) return std::nullopt;
        auto block = readBlockHeader(current);
        if (!block || block->used < 0 || block->used > static_cast<std::int32_t>(kBlockPayload))
            return std::nullopt;
        blocks.push_back(current);
        current = block->next;
    }
    return blocks;
}

std::optional<std::string> CompanionFile::readValue(std::int32_t first) {
    std::string value;
    if (first == 0) return value;
    std::array<std::uint8_t, kBlockSize> bytes{};
    std::int32_t current = first;
    std::size_t steps = 0;
    while (current != 0) {
        if (current < 0 || current >= header_.blockCount) return std::nullopt;
        if (++steps > static_cast<std::size_t>(header_.blockCount)) return std::nullopt;
        if (!readBlock(current, bytes.data())) return std::nullopt;
        std::int32_t used = loadI32(bytes.data() + 8);
        if (used < 0 || used > static_cast<std::int32_t>(kBlockPayload)) return std::nullopt;
        value.append(reinterpret_cast<const char*>(bytes.data() + kBlockHeaderSize), used);
        current = loadI32(bytes.data() + 4);
    }
    return value;
}

bool CompanionFile::loadFreeList() {
    if (freeList_) return true;
    auto blocks = chain(header_.freeStart);
    // A damaged free chain is dropped: its blocks are lost to reuse, but no
    // block in use can be handed out twice.
    freeList_ = blocks ? std::move(*blocks) : std::vector<std::int32_t>{};
    return true;
}

namespace {

struct Links {
    std::int32_t previous;
    std::int32_t next;
};

std::unordered_map<std::int32_t, Links> linksOf(const std::vector<std::int32_t>& list) {
    std::unordered_map<std::int32_t, Links> links;
    for (std::size_t i = 0; i < list.size(); ++i) {
        links[list[i]] = {i > 0 ? list[i - 1] : 0, i + 1 < list.size() ? list[i + 1] : 0};
    }
    return links;
}

}  // namespace

// Rewrites the links of every free block whose neighbours changed.
static bool writeChangedLinks(const std::vector<std::int32_t>& before,
                              const std::vector<std::int32_t>& after,
                              const std::function<bool(std::int32_t, Links)>& write) {
    auto old = linksOf(before);
    for (std::size_t i = 0; i < after.size(); ++i) {
        Links now{i > 0 ? after[i - 1] : 0, i + 1 < after.size() ? after[i + 1] : 0};
        auto it = old.find(after[i]);
        if (it != old.end() && it->second.previous == now.previous && it->second.next == now.next)
            continue;
        if (!write(after[i], now)) return false;
    }
    return true;
}

void CompanionFile::trimTrailingFree() {
    std::unordered_set<std::int32_t> free(freeList_->begin(), freeList_->end());
    std::int32_t count = header_.blockCount;
    while (count > 1 && free.count(count - 1)) --count;
    if (count == header_.blockCount) return;
    std::erase_if(*freeList_, [count](std::int32_t b) { return b >= count; });
    header_.blockCount = count;
}

std::optional<std::int32_t> CompanionFile::writeValue(std::int32_t oldFirst,
                                                      std::string_view value) {
    // Nothing to free and nothing to store: the file stays as it is (the
    // common case of an entry without vouchers).
    if (oldFirst == 0 && value.empty()) return 0;
    if (!loadFreeList()) return std::nullopt;
    const std::size_t pieces = (value.size() + kBlockPayload - 1) / kBlockPayload;
    const std::vector<std::int32_t> freeBefore = *freeList_;
    const CompanionHeader headerBefore = header_;
    auto undo = [&] {
        *freeList_ = freeBefore;
        header_ = headerBefore;
    };

    std::vector<std::int32_t> blocks;
    const std::size_t fromFree = std::min(pieces, freeList_->size());
    blocks.assign(freeList_->begin(), freeList_->begin() + fromFree);
    freeList_->erase(freeList_->begin(), freeList_->begin() + fromFree);
    while (blocks.size() < pieces) blocks.push_back(header_.blockCount++);

    auto writeLinks = [this](std::int32_t block, Links links) {
        return writeBlock(block, Block{links.previous, links.next, 0}, nullptr);
    };
    bool ok = fromFree == 0 || writeChangedLinks(freeBefore, *freeList_, writeLinks);
    // Blocks that follow each other in the file go down as one write: a
    // picture of megabytes is a few writes, not one per block.
    std::vector<std::uint8_t> run;
    for (std::size_t i = 0; ok && i < blocks.size();) {
        std::size_t end = i + 1;
        while (end < blocks.size() && blocks[end] == blocks[end - 1] + 1) ++end;
        run.assign((end - i) * kBlockSize, 0);
        for (std::size_t k = i; k < end; ++k) {
            const std::size_t start = k * kBlockPayload;
            auto used = static_cast<std::int32_t>(std::min(kBlockPayload, value.size() - start));
            Block links{k > 0 ? blocks[k - 1] : 0, k + 1 < blocks.size() ? blocks[k + 1] : 0, used};
            encodeBlock(links, reinterpret_cast<const std::uint8_t*>(value.data() + start),
                        run.data() + (k - i) * kBlockSize);
        }
        ok = writeBytes(static_cast<std::uint64_t>(blocks[i]) * kBlockSize, run.data(), run.size());
        i = end;
    }
    // The old chain is freed in the same change, so it stays whole on disk
    // until the new one is there.
    if (ok && oldFirst != 0) ok = release({oldFirst});
    if (ok) ok = writeHeader();
    if (!ok) {
        undo();
        return std::nullopt;
    }
    return blocks.empty() ? 0 : blocks.front();
}

bool CompanionFile::release(const std::vector<std::int32_t>& firsts) {
    if (!loadFreeList()) return false;
    std::unordered_set<std::int32_t> seen(freeList_->begin(), freeList_->end());
    std::vector<std::int32_t> released;
    for (std::int32_t first : firsts) {
        auto blocks = chain(first);
        if (!blocks) continue;  // a damaged chain is left where it is
        for (std::int32_t b : *blocks) {
            if (seen.insert(b).second) released.push_back(b);
        }
    }
    if (released.empty()) return true;
    const std::vector<std::int32_t> before = *freeList_;
    const std::int32_t countBefore = header_.blockCount;
    freeList_->insert(freeList_->begin(), released.begin(), released.end());
    trimTrailingFree();
    auto writeLinks = [this](std::int32_t block, Links links) {
        return writeBlock(block, Block{links.previous, links.next, 0}, nullptr);
    };
    if (!writeChangedLinks(before, *freeList_, writeLinks) || !writeHeader()) return false;
    if (header_.blockCount < countBefore) {
        return file_.truncate(static_cast<std::uint64_t>(header_.blockCount) * kBlockSize);
    }
    return true;
}

bool CompanionFile::reset() {
    header_.blockCount = 1;
    freeList_ = std::vector<std::int32_t>{};
    if (!writeHeader()) return false;
    return file_.truncate(kBlockSize);
}

}  // namespace qinghe::store
