#include "store/change_journal.h"

#include <cstring>

#include "store/checksum.h"
#include "store/file_changes.h"

namespace qinghe::store {
namespace {

constexpr char kMagic[] = "QHJ4";
// Journals of one file written by earlier versions: still finished at open.
constexpr char kLegacyMagic[] = "QHJ3";
constexpr std::size_t kChecksumSize = 8;

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

}  // namespace

ChangeJournal::ChangeJournal(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

bool ChangeJournal::apply(const std::array<File*, kFileCount>& files) {
    for (std::size_t index = 0; index < commits_.size(); ++index) {
        if (!commits_[index]) continue;
        if (!files[index] || !makeCommit(*commits_[index], *files[index])) return false;
    }
    for (std::size_t index = 0; index < commits_.size(); ++index) {
        if (commits_[index] && !files[index]->sync()) return false;
    }
    return true;
}

bool ChangeJournal::applyTo(FileIndex file, OverlayFile& overlay) const {
    return !commits_[file] || makeCommit(*commits_[file], overlay);
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
    if (!size || *size > kMaxFileLength) return Found::CutShort;
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
    return decodeChanges(*body, at, commits_) && at == body->size();
}

bool ChangeJournal::parseLegacy(std::string_view text) {
    auto body = checkedBody(text, 4 + 16);
    if (!body) return false;
    std::size_t at = 4;
    std::uint64_t count = 0;
    OverlayFile::Commit commit;
    if (!getU64(*body, at, commit.length) || !getU64(*body, at, count)) return false;
    if (!decodeWrites(*body, at, count, commit)) return false;
    commits_[kData] = std::move(commit);
    return at == body->size();
}

}  // namespace qinghe::store
