#include "store/change_log.h"

#include <algorithm>
#include <bitset>
#include <functional>
#include <limits>

#include "store/checksum.h"

namespace qinghe::store {
namespace {

constexpr char kHeaderMagic[] = "QHL1";
constexpr char kRecordMagic[] = "QHLR";
// Magic and padding, length, epoch, sequence number.
constexpr std::size_t kRecordHead = 32;
constexpr std::size_t kChecksumSize = 8;
// A table's files never reach this: a larger length is damage.
constexpr std::uint64_t kMaxFileLength = std::uint64_t{1} << 40;
constexpr std::uint64_t kNoCut = std::numeric_limits<std::uint64_t>::max();

// Little-endian, as every number in the log.
void putU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

// Reads one at `at` and moves past it; false when the bytes end first.
bool getU64(std::string_view in, std::size_t& at, std::uint64_t& v) {
    if (in.size() < at + 8) return false;
    v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(in[at + i]);
    at += 8;
    return true;
}

// A change's encoded form: the count of files, then for each its index, the
// length it is cut to first (or none), its new length and the count of
// writes, each write as its offset and size before its bytes.
std::uint64_t encodedSize(const ChangeLog::Change& change) {
    std::uint64_t size = 8;
    for (const auto& commit : change) {
        if (!commit) continue;
        size += 32;
        for (const auto& write : commit->writes) size += 16 + write.bytes.size();
    }
    return size;
}

// Hands over the encoded form piece by piece, in order: the writes' bytes are
// never copied into one buffer (a purge writes tens of megabytes). A piece is
// valid only during the call.
void encodeChange(const ChangeLog::Change& change,
                  const std::function<void(std::string_view piece)>& take) {
    std::string head;
    std::uint64_t files = 0;
    for (const auto& commit : change) files += commit ? 1 : 0;
    putU64(head, files);
    take(head);
    for (std::size_t index = 0; index < change.size(); ++index) {
        if (!change[index]) continue;
        const OverlayFile::Commit& commit = *change[index];
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

// Reads the encoded form at `at` and moves past it; the writes point into
// `in`. False on anything that cannot be: a change of a file that does not
// exist, or bytes outside the file they belong to.
bool decodeChange(std::string_view in, std::size_t& at, ChangeLog::Change& change) {
    std::uint64_t files = 0;
    if (!getU64(in, at, files) || files > change.size()) return false;
    for (std::uint64_t i = 0; i < files; ++i) {
        std::uint64_t index = 0, cut = 0, length = 0, count = 0;
        if (!getU64(in, at, index) || !getU64(in, at, cut) || !getU64(in, at, length) ||
            !getU64(in, at, count))
            return false;
        if (index >= change.size() || change[index] || length > kMaxFileLength) return false;
        if (cut != kNoCut && cut > kMaxFileLength) return false;
        OverlayFile::Commit commit;
        if (cut != kNoCut) commit.cutFirst = cut;
        commit.length = length;
        for (std::uint64_t w = 0; w < count; ++w) {
            std::uint64_t offset = 0, size = 0;
            if (!getU64(in, at, offset) || !getU64(in, at, size)) return false;
            if (size > in.size() - at) return false;
            // Only ever bytes inside the file they belong to.
            if (offset > length || size > length - offset) return false;
            commit.writes.push_back({offset, in.substr(at, size)});
            at += size;
        }
        change[index] = std::move(commit);
    }
    return true;
}

}  // namespace

ChangeLog::ChangeLog(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

bool ChangeLog::writeHeader(std::string_view dataHead) {
    std::string header(kHeaderMagic, 4);
    header.append(4, '\0');
    putU64(header, epoch_);
    const std::string_view kept = dataHead.substr(0, kGuardSize);
    putU64(header, kept.size());
    header.append(kept);
    Checksum sum;
    sum.add(header);
    putU64(header, sum.value());
    // One write inside the first block: a torn header fails its checksum, and
    // a log without a header replays nothing, which is right, since a header
    // is only written while no record is waiting.
    return file_->writeAt(0, header.data(), header.size());
}

bool ChangeLog::start(std::string_view dataHead) {
    file_ = files_.open(path_, OpenMode::Create);
    if (!file_) return false;
    epoch_ = 1;
    sequence_ = 0;
    end_ = kHeaderSize;
    const std::string zeros(kArea, '\0');
    bool ok = file_->writeAt(0, zeros.data(), zeros.size()) && writeHeader(dataHead) &&
              file_->sync() && files_.syncFolder(path_.parent_path());
    size_ = kArea;
    if (!ok) {
        // A log cut short (a full disk) holds nothing: it goes, rather than
        // wait for the next open.
        file_.reset();
        static_cast<void>(files_.remove(path_));
    }
    return ok;
}

std::uint64_t ChangeLog::recordSize(const Change& change) {
    return kRecordHead + encodedSize(change) + kChecksumSize;
}

bool ChangeLog::full(std::uint64_t bytes) const {
    // A record larger than the whole area is written behind the header and
    // grows the log; the next change then starts a new epoch.
    return end_ > kHeaderSize && end_ + bytes > kArea;
}

ChangeLog::Appended ChangeLog::append(const Change& change) {
    if (!file_) return Appended::NotMade;
    const std::uint64_t size = recordSize(change);
    std::string head(kRecordMagic, 4);
    head.append(4, '\0');
    putU64(head, size);
    putU64(head, epoch_);
    putU64(head, sequence_ + 1);
    // Small records go down in one write; a large purge's piece by piece.
    const bool joined = size <= 64 * 1024;
    std::string buffer;
    if (joined) buffer.reserve(size);
    std::uint64_t at = end_;
    // A record beyond the area grows the log: its room is taken first.
    bool ok = end_ + size <= size_ || file_->reserve(end_ + size);
    if (!ok) return Appended::NotMade;
    auto put = [&](std::string_view piece) {
        if (joined) {
            buffer.append(piece);
        } else {
            ok = ok && file_->writeAt(at, piece.data(), piece.size());
            at += piece.size();
        }
    };
    Checksum sum;
    auto summed = [&](std::string_view piece) {
        sum.add(piece);
        put(piece);
    };
    summed(head);
    encodeChange(change, summed);
    std::string trailer;
    putU64(trailer, sum.value());
    put(trailer);
    if (joined) {
        ok = file_->writeAt(at, buffer.data(), buffer.size());
        at += buffer.size();
    }
    ok = ok && file_->sync();
    if (ok) {
        end_ = at;
        size_ = std::max(size_, at);
        ++sequence_;
        return Appended::Made;
    }
    // Whatever of it reached the log is made unreadable, so that it cannot
    // come back at the next open for a change the table gave up.
    const std::string blank(kRecordHead, '\0');
    if (file_->writeAt(end_, blank.data(), blank.size()) && file_->sync()) return Appended::NotMade;
    return Appended::Unknown;
}

bool ChangeLog::restart(std::string_view dataHead) {
    if (!file_) return false;
    // A log grown by a large record goes back to its area.
    if (size_ > kArea) {
        if (!file_->truncate(kArea)) return false;
        size_ = kArea;
    }
    ++epoch_;
    sequence_ = 0;
    end_ = kHeaderSize;
    return writeHeader(dataHead) && file_->sync();
}

bool ChangeLog::remove() {
    file_.reset();
    // Should the name come back after a power loss, its records only repeat
    // what the flushed table holds already.
    return files_.remove(path_) && files_.syncFolder(path_.parent_path());
}

bool ChangeLog::apply(const Change& change, const std::array<File*, kFileCount>& files) {
    for (std::size_t index = 0; index < change.size(); ++index) {
        if (!change[index]) continue;
        if (!files[index] || !makeCommit(*change[index], *files[index])) return false;
    }
    return true;
}

ChangeLog::Found ChangeLog::load() {
    records_.clear();
    loaded_.clear();
    head_.clear();
    if (!files_.exists(path_)) return Found::None;
    auto file = files_.open(path_, OpenMode::ReadOnly);
    if (!file) return Found::Nothing;
    auto size = file->size();
    if (!size || *size < kHeaderSize) return Found::Nothing;
    std::string header(kHeaderSize, '\0');
    if (!file->readAt(0, header.data(), header.size())) return Found::Nothing;
    std::size_t at = 8;
    std::uint64_t headLength = 0;
    if (header.compare(0, 4, kHeaderMagic) != 0 || !getU64(header, at, epoch_) ||
        !getU64(header, at, headLength) || headLength > kGuardSize)
        return Found::Nothing;
    Checksum sum;
    sum.add(std::string_view(header).substr(0, at + headLength));
    std::size_t sumAt = at + headLength;
    std::uint64_t stored = 0;
    if (!getU64(header, sumAt, stored) || stored != sum.value()) return Found::Nothing;
    head_ = header.substr(at, headLength);

    std::uint64_t position = kHeaderSize;
    for (std::uint64_t sequence = 1;; ++sequence) {
        char head[kRecordHead];
        if (position + kRecordHead > *size || !file->readAt(position, head, kRecordHead)) break;
        const std::string_view view(head, kRecordHead);
        std::size_t in = 8;
        std::uint64_t length = 0, epoch = 0, number = 0;
        if (view.compare(0, 4, kRecordMagic) != 0 || !getU64(view, in, length) ||
            !getU64(view, in, epoch) || !getU64(view, in, number))
            break;
        if (epoch != epoch_ || number != sequence) break;
        if (length < kRecordHead + 8 + kChecksumSize || length > *size - position) break;
        auto record = std::make_unique<std::string>(static_cast<std::size_t>(length), '\0');
        if (!file->readAt(position, record->data(), record->size())) break;
        const std::string_view body =
            std::string_view(*record).substr(0, record->size() - kChecksumSize);
        Checksum check;
        check.add(body);
        std::size_t trailer = body.size();
        if (!getU64(*record, trailer, stored) || stored != check.value()) break;
        Change change;
        if (!parseRecord(body, change)) break;
        records_.push_back(std::move(change));
        loaded_.push_back(std::move(record));
        position += length;
        sequence_ = sequence;
    }
    return records_.empty() ? Found::Nothing : Found::Pending;
}

bool ChangeLog::parseRecord(std::string_view body, Change& change) const {
    std::size_t at = kRecordHead;
    return decodeChange(body, at, change) && at == body.size();
}

bool ChangeLog::fits(std::string_view dataHead) const {
    const std::size_t n = std::min(dataHead.size(), kGuardSize);
    // Which values each of the first bytes may hold.
    std::vector<std::bitset<256>> allowed(n);
    auto allow = [&](std::size_t at, char c) { allowed[at].set(static_cast<unsigned char>(c)); };
    for (std::size_t at = 0; at < std::min(n, head_.size()); ++at) allow(at, head_[at]);
    std::uint64_t lowestCut = head_.size();
    for (const Change& change : records_) {
        const auto& commit = change[kData];
        if (!commit) continue;
        if (commit->cutFirst) lowestCut = std::min(lowestCut, *commit->cutFirst);
        lowestCut = std::min(lowestCut, commit->length);
        for (const auto& write : commit->writes) {
            for (std::uint64_t at = write.offset; at < n && at < write.offset + write.bytes.size();
                 ++at)
                allow(static_cast<std::size_t>(at), write.bytes[at - write.offset]);
        }
    }
    // Bytes past a cut, or past the length the epoch began with, read as zeros.
    for (std::uint64_t at = lowestCut; at < n; ++at) allow(static_cast<std::size_t>(at), '\0');
    // Shorter than the epoch began with: only where a record cut the file.
    if (n < std::min(head_.size(), kGuardSize) && lowestCut > n) return false;
    for (std::size_t at = 0; at < n; ++at) {
        if (!allowed[at].test(static_cast<unsigned char>(dataHead[at]))) return false;
    }
    return true;
}

bool ChangeLog::applyAll(const std::array<File*, kFileCount>& files) const {
    for (const Change& change : records_) {
        if (!apply(change, files)) return false;
    }
    return true;
}

bool ChangeLog::applyAllTo(FileIndex file, OverlayFile& overlay) const {
    for (const Change& change : records_) {
        if (change[file] && !makeCommit(*change[file], overlay)) return false;
    }
    return true;
}

}  // namespace qinghe::store
