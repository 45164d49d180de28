#include "store/file_changes.h"

#include <algorithm>
#include <limits>

namespace qinghe::store {
namespace {

constexpr std::uint64_t kNoCut = std::numeric_limits<std::uint64_t>::max();

}  // namespace

void putU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

bool getU64(std::string_view in, std::size_t& at, std::uint64_t& v) {
    if (in.size() < at + 8) return false;
    v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(in[at + i]);
    at += 8;
    return true;
}

std::uint64_t encodedSize(const FileChanges& changes) {
    std::uint64_t size = 8;
    for (const auto& commit : changes) {
        if (!commit) continue;
        size += 32;
        for (const auto& write : commit->writes) size += 16 + write.bytes.size();
    }
    return size;
}

void encodeChanges(const FileChanges& changes,
                   const std::function<void(std::string_view piece)>& take) {
    std::string head;
    std::uint64_t files = 0;
    for (const auto& commit : changes) files += commit ? 1 : 0;
    putU64(head, files);
    take(head);
    for (std::size_t index = 0; index < changes.size(); ++index) {
        if (!changes[index]) continue;
        const OverlayFile::Commit& commit = *changes[index];
        head.clear();
        putU64(head, index);
        putU64(head, commit.cutFirst.value_or(kNoCut));
        putU64(head, commit.length);
        putU64(head, commit.writes.size());
        take(head);
        for (const auto& write : commit.writes) {
            head.clear();
            putU64(head, write.offset);
            putU64(head, write.bytes.size());
            take(head);
            take(write.bytes);
        }
    }
}

bool decodeChanges(std::string_view in, std::size_t& at, FileChanges& changes) {
    std::uint64_t files = 0;
    if (!getU64(in, at, files) || files > changes.size()) return false;
    for (std::uint64_t i = 0; i < files; ++i) {
        std::uint64_t index = 0, cut = 0, length = 0, count = 0;
        if (!getU64(in, at, index) || !getU64(in, at, cut) || !getU64(in, at, length) ||
            !getU64(in, at, count))
            return false;
        if (index >= changes.size() || changes[index] || length > kMaxFileLength) return false;
        if (cut != kNoCut && cut > kMaxFileLength) return false;
        OverlayFile::Commit commit;
        if (cut != kNoCut) commit.cutFirst = cut;
        commit.length = length;
        if (!decodeWrites(in, at, count, commit)) return false;
        changes[index] = std::move(commit);
    }
    return true;
}

bool decodeWrites(std::string_view in, std::size_t& at, std::uint64_t count,
                  OverlayFile::Commit& commit) {
    if (commit.length > kMaxFileLength) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0, size = 0;
        if (!getU64(in, at, offset) || !getU64(in, at, size)) return false;
        if (size > in.size() - at) return false;
        // Only ever bytes inside the file they belong to.
        if (offset > commit.length || size > commit.length - offset) return false;
        commit.writes.push_back({offset, in.substr(at, size)});
        at += size;
    }
    return true;
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
