#include "config/ini_file.h"
#include "common/file_descriptor.h"
#include "common/gbk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

namespace qinghe {
namespace {

// ---- GBK-aware text helpers ------------------------------------------------

// The bytes of the character starting at i: a lead byte takes its trail byte
// along, so a trail byte that looks like ASCII is never read as a character.
std::size_t charWidth(std::string_view text, std::size_t i) {
    return gbkCharLength(text, i);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// '\r' counts as white space so a CR left by a CRLF file never reaches a name
// or a value.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool namesEqual(std::string_view a, std::string_view b) {
    return gbkNamesEqual(a, b);
}

// A name in the form namesEqual compares, for telling repeated keys apart.
std::string foldName(std::string_view name) {
    std::string folded(name);
    for (std::size_t i = 0; i < folded.size();) {
        if (charWidth(folded, i) == 2) {
            i += 2;
        } else {
            folded[i] = asciiLower(folded[i]);
            ++i;
        }
    }
    return folded;
}

// Finds c as a whole character (']' can be the trail byte of a GBK character).
std::size_t findChar(std::string_view text, char c, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += charWidth(text, i)) {
        if (text[i] == c) return i;
    }
    return std::string_view::npos;
}

// The read buffer holds kIniValueBuffer bytes with the terminator; the cut
// never keeps half of a double-byte character.
std::string_view cutToBuffer(std::string_view value) {
    return cutGbk(value, kIniValueBuffer - 1);
}

std::string readValue(std::string_view raw) {
    std::string_view value = raw;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(cutToBuffer(value));
}

// ---- Lines -----------------------------------------------------------------

struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;   // before "\n" or "\r\n"
    std::size_t next = 0;  // where the following line begins
};

class LineReader {
  public:
    LineReader(std::string_view text, std::size_t from, std::size_t to)
        : text_(text.substr(0, to)), pos_(from) {}

    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        line.begin = pos_;
        const std::size_t newline = text_.find('\n', pos_);
        if (newline == std::string_view::npos) {
            line.end = text_.size();
            line.next = text_.size();
        } else {
            line.end = newline > pos_ && text_[newline - 1] == '\r' ? newline - 1 : newline;
            line.next = newline + 1;
        }
        pos_ = line.next;
        return true;
    }

  private:
    std::string_view text_;
    std::size_t pos_;
};

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;
    std::string_view value;
    std::size_t valueBegin = 0;  // offset of the value in the line, for replacing it
};

ParsedLine parseLine(std::string_view line) {
    ParsedLine parsed;
    std::size_t start = 0;
    while (start < line.size() && isBlank(line[start])) ++start;
    if (start == line.size()) return parsed;
    if (line[start] == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (line[start] == '[') {
        const std::size_t close = findChar(line, ']', start + 1);
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::Section;
            parsed.name = trim(line.substr(start + 1, close - start - 1));
            return parsed;
        }
        // Without "]" it is no header; like Windows, it may still be a key.
    }
    parsed.kind = LineKind::Other;
    // '=' lies below the GBK trail range, so a plain search is safe here.
    const std::size_t equals = line.find('=', start);
    if (equals == std::string_view::npos) return parsed;
    const std::string_view name = trim(line.substr(start, equals - start));
    if (name.empty()) return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = name;
    std::size_t valueBegin = equals + 1;
    while (valueBegin < line.size() && isBlank(line[valueBegin])) ++valueBegin;
    parsed.valueBegin = valueBegin;
    parsed.value = trim(line.substr(valueBegin));
    return parsed;
}

struct SectionBody {
    std::size_t begin = 0;  // the line after the header
    std::size_t end = 0;    // the next header, or the end of the text
};

std::optional<SectionBody> findSection(std::string_view text, std::string_view name) {
    LineReader reader(text, 0, text.size());
    Line line;
    std::optional<SectionBody> body;
    while (reader.next(line)) {
        const ParsedLine parsed = parseLine(text.substr(line.begin, line.end - line.begin));
        if (parsed.kind != LineKind::Section) continue;
        if (body) {
            body->end = line.begin;
            return body;
        }
        if (namesEqual(parsed.name, name)) body = SectionBody{line.next, text.size()};
    }
    return body;
}

// Calls visit(line, parsed) for each key line of the body until it returns false.
template <typename Visit>
void forEachKey(std::string_view text, const SectionBody& body, Visit visit) {
    LineReader reader(text, body.begin, body.end);
    Line line;
    while (reader.next(line)) {
        const ParsedLine parsed = parseLine(text.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Key && !visit(line, parsed)) return;
    }
}

std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    const std::optional<SectionBody> body = findSection(text, section);
    if (!body) return std::nullopt;
    std::optional<std::string> value;
    forEachKey(text, *body, [&](const Line&, const ParsedLine& parsed) {
        if (!namesEqual(parsed.name, key)) return true;
        value = readValue(parsed.value);
        return false;
    });
    return value;
}

// Calls take(name, parsed) once for each distinct key of the section, first
// occurrence only, as reading would find it.
template <typename Take>
void forEachDistinctKey(std::string_view text, std::string_view section, Take take) {
    const std::optional<SectionBody> body = findSection(text, section);
    if (!body) return;
    std::unordered_set<std::string> seen;
    forEachKey(text, *body, [&](const Line&, const ParsedLine& parsed) {
        if (seen.insert(foldName(parsed.name)).second) take(parsed);
        return true;
    });
}

// ---- What can be written so that it reads back ------------------------------

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool isPlainName(std::string_view name) {
    return !name.empty() && !hasLineBreak(name) && !isBlank(name.front()) && !isBlank(name.back());
}

bool isWritableSection(std::string_view section) {
    if (!isPlainName(section) || findChar(section, ']', 0) != std::string_view::npos) {
        return false;
    }
    // A lone lead byte at the end would swallow the closing "]".
    std::size_t last = 0;
    for (std::size_t i = 0; i < section.size(); i += charWidth(section, i)) last = i;
    return !(isGbkLeadByte(static_cast<unsigned char>(section[last])) &&
             charWidth(section, last) == 1);
}

bool isWritableKey(std::string_view key) {
    return isPlainName(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
           key.front() != '[';
}

// ---- Files -----------------------------------------------------------------

enum class ReadResult { Read, Missing, Refused };

struct FileBytes {
    ReadResult result = ReadResult::Missing;
    std::string bytes;
    mode_t mode = 0;
};

// The program writes GBK, but a file saved by an editor may be UTF-8: with a
// byte-order mark, or without one but valid UTF-8 holding characters beyond
// ASCII (GBK text with Chinese in it is almost never valid UTF-8). Such a file
// is read as the GBK it stands for; characters GBK cannot hold keep the file
// as it is rather than losing them.
std::string asGbk(std::string bytes) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const bool marked = std::string_view(bytes).starts_with(kByteOrderMark);
    const std::string_view text =
        std::string_view(bytes).substr(marked ? kByteOrderMark.size() : 0);
    if (!marked && !isUtf8BeyondAscii(text)) return bytes;
    if (auto gbk = utf8ToGbk(text)) return std::move(*gbk);
    return marked ? std::string(text) : bytes;
}

FileBytes readFile(const std::filesystem::path& file) {
    FileBytes out;
    // O_NONBLOCK: a FIFO put in the file's place must not block the open.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        out.result =
            errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Refused;
        return out;
    }
    out.result = ReadResult::Refused;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uintmax_t>(status.st_size) > kIniMaxFileBytes) {
        return out;
    }
    out.mode = status.st_mode & 07777;
    // One spare byte notices a file that grew since fstat.
    std::string& bytes = out.bytes;
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() > kIniMaxFileBytes) return out;
            bytes.resize(std::min(bytes.size() * 2, kIniMaxFileBytes + 1));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return out;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    bytes = asGbk(std::move(bytes));
    out.result = ReadResult::Read;
    return out;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename durable. Some file systems cannot sync a folder; the file
// itself is already complete then, so that is not a failure.
void syncFolder(const std::filesystem::path& folder) {
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Writes the bytes beside the file and renames them over it, so a crash leaves
// either the old file or the new one, never a mix.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes,
                 std::optional<mode_t> mode) {
    if (!file.has_filename()) return false;
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = folderOf(file);
    std::filesystem::path temp;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temp = folder / ("." + file.filename().string() + ".tmp" + std::to_string(::getpid()) +
                         "." + std::to_string(counter++));
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) return false;
    }
    if (rawFd < 0) return false;
    FileDescriptor fd(rawFd);
    bool ok = (!mode || ::fchmod(fd.get(), *mode) == 0) && writeAll(fd.get(), bytes) &&
              ::fdatasync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument document;
    document.text_ = std::string(bytes);
    return document;
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
    return findValue(text_, section, key);
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> names;
    forEachDistinctKey(text_, section,
                       [&](const ParsedLine& parsed) { names.emplace_back(parsed.name); });
    return names;
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> pairs;
    forEachDistinctKey(text_, section, [&](const ParsedLine& parsed) {
        pairs.emplace_back(std::string(parsed.name), readValue(parsed.value));
    });
    return pairs;
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!isWritableSection(section) || !isWritableKey(key) || hasLineBreak(value)) return false;

    const std::optional<SectionBody> body = findSection(text_, section);
    if (!body) {
        std::string added;
        if (!text_.empty() && text_.back() != '\n') added = text_.back() == '\r' ? "\n" : "\r\n";
        added.append("[").append(section).append("]\r\n");
        added.append(key).append("=").append(value).append("\r\n");
        text_ += added;
        return true;
    }

    std::optional<std::size_t> replaceFrom;
    std::size_t replaceTo = 0;
    forEachKey(text_, *body, [&](const Line& line, const ParsedLine& parsed) {
        if (!namesEqual(parsed.name, key)) return true;
        replaceFrom = line.begin + parsed.valueBegin;
        replaceTo = line.end;
        return false;
    });
    if (replaceFrom) {
        text_.replace(*replaceFrom, replaceTo - *replaceFrom, value);
        return true;
    }

    // A new key goes after the section's last line of content: blank lines and
    // trailing comments usually introduce the next section.
    std::size_t insertAt = body->begin;
    LineReader reader(text_, body->begin, body->end);
    Line line;
    while (reader.next(line)) {
        const LineKind kind =
            parseLine(std::string_view(text_).substr(line.begin, line.end - line.begin)).kind;
        if (kind == LineKind::Key || kind == LineKind::Other) insertAt = line.next;
    }
    std::string added;
    if (insertAt > 0 && text_[insertAt - 1] != '\n')
        added = text_[insertAt - 1] == '\r' ? "\n" : "\r\n";
    added.append(key).append("=").append(value).append("\r\n");
    text_.insert(insertAt, added);
    return true;
}

bool IniDocument::appendSection(std::string_view section,
                                const std::vector<std::pair<std::string, std::string>>& keys) {
    if (!isWritableSection(section)) return false;
    bool complete = true;
    std::string added;
    if (!text_.empty() && text_.back() != '\n') added = text_.back() == '\r' ? "\n" : "\r\n";
    added.append("[").append(section).append("]\r\n");
    for (const auto& [key, value] : keys) {
        if (!isWritableKey(key) || hasLineBreak(value)) {
            complete = false;
            continue;
        }
        added.append(key).append("=").append(value).append("\r\n");
    }
    text_ += added;
    return complete;
}

std::string readIniString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view defaultValue) {
    const FileBytes read = readFile(file);
    if (read.result == ReadResult::Read) {
        if (std::optional<std::string> value = findValue(read.bytes, section, key)) return *value;
    }
    // The default goes through the same buffer as a value would.
    return std::string(cutToBuffer(defaultValue));
}

IniDocument readIniDocument(const std::filesystem::path& file) {
    const FileBytes read = readFile(file);
    if (read.result != ReadResult::Read) return IniDocument{};
    return IniDocument::parse(read.bytes);
}

bool writeIniString(const std::filesystem::path& file, std::string_view section,
                    std::string_view key, std::string_view value) {
    const FileBytes read = readFile(file);
    // A file we could not read whole is left alone rather than replaced by
    // what little we know of it.
    if (read.result == ReadResult::Refused) return false;
    IniDocument document = IniDocument::parse(read.bytes);
    if (!document.set(section, key, value)) return false;
    const std::string text = document.text();
    if (read.result == ReadResult::Read && text == read.bytes) return true;
    return replaceFile(
        file, text,
        read.result == ReadResult::Read ? std::optional<mode_t>(read.mode) : std::nullopt);
}

bool writeIniDocument(const std::filesystem::path& file, const IniDocument& document) {
    const std::string text = document.text();
    if (text.size() > kIniMaxFileBytes) return false;
    struct stat status {};
    const bool keepMode = ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    return replaceFile(file, text,
                       keepMode ? std::optional<mode_t>(status.st_mode & 07777) : std::nullopt);
}

bool writeFileWhole(const std::filesystem::path& file, std::string_view bytes) {
    return replaceFile(file, bytes, std::nullopt);
}

bool deleteIniFile(const std::filesystem::path& file) {
    if (::unlink(file.c_str()) == 0) {
        syncFolder(folderOf(file));
        return true;
    }
    return errno == ENOENT || errno == ENOTDIR;
}

}  // namespace qinghe
