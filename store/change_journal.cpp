#include "store/change_journal.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "store/checksum.h"

namespace qinghe::store {
namespace {

constexpr char kMagic[] = "QHJ4";
// Journals of one file written by earlier versions: still finished at open.
constexpr char kLegacyMagic[] = "QHJ3";
constexpr std::size_t kChecksumSize = 8;
constexpr std::uint64_t kNoCut = std::numeric_limits<std::uint64_t>::max();
// A table's files never reach this: a larger length is damage.
constexpr std::uint64_t kMaxLength = std::uint64_t{1} << 40;

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

// Splits off and verifies the checksum; the body without it, or nothing.
std::optional<std::string_view> checkedBody(std::string_view text, std::size_t minimum) {
    if (text.size() < minimum + kChecksumSize) return std::nullopt;
    const std::string_view body = text.substr(0, text.size() - kChecksumSize);
    std::size_t at = body.size();
    std::uint64_t stored = 0;
    Checksum sum;
    sum.add(body);
    if (!getU64(text, at, stored) || stored != sum.value()) return std::nullopt;
    return body;
}

bool readWrites(std::string_view body, std::size_t& at, std::uint64_t count,
                OverlayFile::Commit& commit) {
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0, length = 0;
        if (!getU64(body, at, offset) || !getU64(body, at, length)) return false;
        if (length > body.size() - at) return false;
        // A journal only ever writes bytes inside the file it belongs to.
        if (offset > commit.length || length > commit.length - offset) return false;
        commit.writes.push_back({offset, body.substr(at, length)});
        at += length;
    }
    return true;
}

bool applyCommit(const OverlayFile::Commit& commit, File& file) {
    if (commit.cutFirst && !file.truncate(*commit.cutFirst)) return false;
    for (const auto& write : commit.writes) {
        if (!file.writeAt(write.offset, write.bytes.data(), write.bytes.size())) return false;
    }
    return file.truncate(commit.length);
}

}  // namespace

ChangeJournal::ChangeJournal(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

void ChangeJournal::add(FileIndex file, OverlayFile::Commit commit) {
    commits_[file] = std::move(commit);
}

bool ChangeJournal::save() {
    // Written piece by piece: the journal of a large purge is never copied
    // into one buffer.
    std::vector<std::string> heads;
    std::vector<std::string_view> pieces;
    std::string head(kMagic, 4);
    std::uint64_t files = 0;
    for (const auto& commit : commits_) files += commit ? 1 : 0;
    putU64(head, files);
    heads.push_back(std::move(head));
    for (std::size_t index = 0; index < commits_.size(); ++index) {
        if (!commits_[index]) continue;
        const OverlayFile::Commit& commit = *commits_[index];
        std::string fileHead;
        putU64(fileHead, index);
        putU64(fileHead, commit.cutFirst.value_or(kNoCut));
        putU64(fileHead, commit.length);
        putU64(fileHead, commit.writes.size());
        heads.push_back(std::move(fileHead));
        for (const auto& write : commit.writes) {
            std::string prefix;
            putU64(prefix, write.offset);
            putU64(prefix, write.bytes.size());
            heads.push_back(std::move(prefix));
        }
    }
    // The heads are all made before any view is taken: the vector no longer moves.
    std::size_t next = 0;
    pieces.push_back(heads[next++]);
    for (const auto& commit : commits_) {
        if (!commit) continue;
        pieces.push_back(heads[next++]);
        for (const auto& write : commit->writes) {
            pieces.push_back(heads[next++]);
            pieces.push_back(write.bytes);
        }
    }
    Checksum sum;
    for (std::string_view piece : pieces) sum.add(piece);
    std::string trailer;
    putU64(trailer, sum.value());

    auto journal = files_.open(path_, OpenMode::Create);
    bool ok = static_cast<bool>(journal);
    std::uint64_t at = 0;
    for (std::string_view piece : pieces) {
        ok = ok && journal->writeAt(at, piece.data(), piece.size());
        at += piece.size();
    }
    ok = ok && journal->writeAt(at, trailer.data(), trailer.size()) && journal->sync();
    journal.reset();
    // Its name must last too: without it, a crash while the change is made
    // would leave the change half done and nothing to finish it.
    ok = ok && files_.syncFolder(path_.parent_path());
    // A journal left half written fails its checksum and is never replayed.
    if (!ok) static_cast<void>(files_.remove(path_));
    return ok;
}

bool ChangeJournal::apply(const std::array<File*, kFileCount>& files) {
    for (std::size_t index = 0; index < commits_.size(); ++index) {
        if (!commits_[index]) continue;
        if (!files[index] || !applyCommit(*commits_[index], *files[index])) return false;
    }
    for (std::size_t index = 0; index < commits_.size(); ++index) {
        if (commits_[index] && !files[index]->sync()) return false;
    }
    return true;
}

bool ChangeJournal::applyTo(FileIndex file, OverlayFile& overlay) const {
    return !commits_[file] || applyCommit(*commits_[file], overlay);
}

bool ChangeJournal::discard() {
    // The removal must last before the next change is made: a journal that
    // came back after a power loss would undo that change.
    return files_.remove(path_) && files_.syncFolder(path_.parent_path());
}

ChangeJournal::Found ChangeJournal::load() {
    if (!files_.exists(path_)) return Found::None;
    auto journal = files_.open(path_, OpenMode::ReadOnly);
    if (!journal) return Found::CutShort;
    auto size = journal->size();
    if (!size || *size > kMaxLength) return Found::CutShort;
    loaded_.assign(static_cast<std::size_t>(*size), '\0');
    if (!journal->readAt(0, loaded_.data(), loaded_.size())) return Found::CutShort;
    for (auto& commit : commits_) commit.reset();
    const bool complete =
        loaded_.compare(0, 4, kLegacyMagic) == 0 ? parseLegacy(loaded_) : parse(loaded_);
    if (!complete) {
        for (auto& commit : commits_) commit.reset();
        return Found::CutShort;
    }
    return Found::Complete;
}

bool ChangeJournal::parse(std::string_view text) {
    if (text.size() < 4 || std::memcmp(text.data(), kMagic, 4) != 0) return false;
    auto body = checkedBody(text, 4 + 8);
    if (!body) return false;
    std::size_t at = 4;
    std::uint64_t files = 0;
    if (!getU64(*body, at, files) || files > kFileCount) return false;
    for (std::uint64_t i = 0; i < files; ++i) {
        std::uint64_t index = 0, cut = 0, length = 0, count = 0;
        if (!getU64(*body, at, index) || !getU64(*body, at, cut) || !getU64(*body, at, length) ||
            !getU64(*body, at, count))
            return false;
        if (index >= kFileCount || commits_[index] || length > kMaxLength) return false;
        if (cut != kNoCut && cut > kMaxLength) return false;
        OverlayFile::Commit commit;
        if (cut != kNoCut) commit.cutFirst = cut;
        commit.length = length;
        if (!readWrites(*body, at, count, commit)) return false;
        commits_[index] = std::move(commit);
    }
    return at == body->size();
}

bool ChangeJournal::parseLegacy(std::string_view text) {
    auto body = checkedBody(text, 4 + 16);
    if (!body) return false;
    std::size_t at = 4;
    std::uint64_t count = 0;
    OverlayFile::Commit commit;
    if (!getU64(*body, at, commit.length) || !getU64(*body, at, count)) return false;
    if (commit.length > kMaxLength) return false;
    if (!readWrites(*body, at, count, commit)) return false;
    commits_[kData] = std::move(commit);
    return at == body->size();
}

}  // namespace qinghe::store
