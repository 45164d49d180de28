#include "store/purge_journal.h"

#include <array>
#include <cstring>

#include "store/md5.h"

namespace qinghe::store {
namespace {

constexpr char kMagic[] = "QHJ1";

void putU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

bool getU64(const std::string& in, std::size_t& at, std::uint64_t& v) {
    if (in.size() < at + 8) return false;
    v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(in[at + i]);
    at += 8;
    return true;
}

}  // namespace

PurgeJournal::PurgeJournal(FileSystem& files, std::filesystem::path path)
    : files_(files), path_(std::move(path)) {}

bool PurgeJournal::save(File& file, std::uint64_t fileLength, const std::vector<Range>& ranges) {
    fileLength_ = fileLength;
    saved_.clear();
    std::string text(kMagic, 4);
    putU64(text, fileLength);
    putU64(text, ranges.size());
    for (const Range& range : ranges) {
        std::string bytes(range.length, '\0');
        if (!file.readAt(range.offset, bytes.data(), bytes.size())) return false;
        putU64(text, range.offset);
        putU64(text, range.length);
        text += bytes;
        saved_.push_back({range.offset, std::move(bytes)});
    }
    auto digest = md5(text);
    text.append(reinterpret_cast<const char*>(digest.data()), digest.size());

    auto journal = files_.open(path_, OpenMode::Create);
    bool ok = journal && journal->writeAt(0, text.data(), text.size()) && journal->sync();
    journal.reset();
    ok = ok && files_.syncFolder(path_.parent_path());
    if (!ok) files_.remove(path_);
    return ok;
}

bool PurgeJournal::restore(File& file) {
    for (const Saved& saved : saved_) {
        if (!file.writeAt(saved.offset, saved.bytes.data(), saved.bytes.size())) return false;
    }
    return file.truncate(fileLength_) && file.sync();
}

bool PurgeJournal::discard() {
    return files_.remove(path_) && files_.syncFolder(path_.parent_path());
}

bool PurgeJournal::parse(const std::string& text) {
    if (text.size() < 4 + 16 + 16 || std::memcmp(text.data(), kMagic, 4) != 0) return false;
    std::string body = text.substr(0, text.size() - 16);
    auto digest = md5(body);
    if (std::memcmp(digest.data(), text.data() + body.size(), 16) != 0) return false;
    std::size_t at = 4;
    std::uint64_t count = 0;
    if (!getU64(body, at, fileLength_) || !getU64(body, at, count)) return false;
    saved_.clear();
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t offset = 0, length = 0;
        if (!getU64(body, at, offset) || !getU64(body, at, length)) return false;
        if (length > body.size() - at) return false;
        saved_.push_back({offset, body.substr(at, length)});
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
    // A journal that does not check out was cut short while it was written,
    // before the table was touched.
    if (parse(text) && !restore(file)) return false;
    return discard();
}

}  // namespace qinghe::store
