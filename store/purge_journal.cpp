#include "store/purge_journal.h"

#include <algorithm>
#include <cstring>

namespace qinghe::store {
namespace {

constexpr char kMagic[] = "QHJ3";
constexpr std::size_t kChecksumSize = 8;

// Tells a journal that was written whole from one cut short by a crash; it
// guards against torn writes, not against tampering, so a fast word-wise
// FNV-1a does (a purge journals tens of megabytes).
// The pieces are summed as one stream: words are taken across piece edges.
class Checksum {
  public:
    void add(std::string_view bytes) {
        const std::size_t head = std::min(bytes.size(), (8 - filled_) % 8);
        for (char c : bytes.substr(0, head)) take(c);
        bytes.remove_prefix(head);
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, 8);
            mix(word);
        }
        for (; i < bytes.size(); ++i) take(bytes[i]);
    }
    std::uint64_t value() const {
        std::uint64_t h = h_;
        if (filled_ > 0) h = (h ^ partial_) * kPrime;
        return h ^ length_;
    }

  private:
    static constexpr std::uint64_t kPrime = 0x100000001b3ull;
    void mix(std::uint64_t word) {
        h_ = (h_ ^ word) * kPrime;
        length_ += 8;
    }
    void take(char c) {
        partial_ |= std::uint64_t(static_cast<unsigned char>(c)) << (8 * filled_);
        ++length_;
        if (++filled_ == 8) {
            h_ = (h_ ^ partial_) * kPrime;
            partial_ = 0;
            filled_ = 0;
        }
    }

    std::uint64_t h_ = 0xcbf29ce484222325ull;
    std::uint64_t partial_ = 0;
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;
};

std::uint64_t checksum(std::string_view bytes) {
    Checksum sum;
    sum.add(bytes);
    return sum.value();
}

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

}  // namespace

PurgeJournal::PurgeJournal(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

void PurgeJournal::add(std::uint64_t offset, std::string bytes) {
    writes_.push_back({offset, std::move(bytes)});
}

bool PurgeJournal::save(std::uint64_t finalLength) {
    finalLength_ = finalLength;
    // Written piece by piece: the journal of a large purge is never copied
    // into one buffer.
    std::string head(kMagic, 4);
    putU64(head, finalLength);
    putU64(head, writes_.size());
    std::vector<std::string_view> pieces;
    std::vector<std::string> heads{head};
    for (const Write& write : writes_) {
        std::string prefix;
        putU64(prefix, write.offset);
        putU64(prefix, write.bytes.size());
        heads.push_back(std::move(prefix));
    }
    pieces.push_back(heads[0]);
    for (std::size_t i = 0; i < writes_.size(); ++i) {
        pieces.push_back(heads[i + 1]);
        pieces.push_back(writes_[i].bytes);
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
    ok = ok && files_.syncFolder(path_.parent_path());
    // A journal left half written fails its checksum and is never replayed.
    if (!ok) static_cast<void>(files_.remove(path_));
    return ok;
}

bool PurgeJournal::apply(File& file) {
    for (const Write& write : writes_) {
        if (!file.writeAt(write.offset, write.bytes.data(), write.bytes.size())) return false;
    }
    return file.truncate(finalLength_) && file.sync();
}

bool PurgeJournal::discard() {
    return files_.remove(path_) && files_.syncFolder(path_.parent_path());
}

bool PurgeJournal::parse(std::string_view text) {
    if (text.size() < 4 + 16 + kChecksumSize || std::memcmp(text.data(), kMagic, 4) != 0)
        return false;
    const std::string_view body = text.substr(0, text.size() - kChecksumSize);
    std::size_t at = body.size();
    std::uint64_t stored = 0;
    if (!getU64(text, at, stored) || stored != checksum(body)) return false;
    at = 4;
    std::uint64_t count = 0;
    if (!getU64(body, at, finalLength_) || !getU64(body, at, count)) return false;
    if (finalLength_ > (std::uint64_t{1} << 40)) return false;
    writes_.clear();
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0, length = 0;
        if (!getU64(body, at, offset) || !getU64(body, at, length)) return false;
        if (length > body.size() - at) return false;
        // A journal only ever rewrites bytes inside the table it belongs to.
        if (offset > finalLength_ || length > finalLength_ - offset) return false;
        writes_.push_back({offset, std::string(body.substr(at, length))});
        at += length;
    }
    return at == body.size();
}

bool PurgeJournal::recover(File& file) {
    auto journal = files_.open(path_, OpenMode::ReadWrite);
    if (!journal) return false;
    auto size = journal->size();
    if (!size) return false;
    std::string text(*size, '\0');
    if (!journal->readAt(0, text.data(), text.size())) return false;
    journal.reset();
    if (parse(text) && !apply(file)) return false;
    return discard();
}

}  // namespace qinghe::store
