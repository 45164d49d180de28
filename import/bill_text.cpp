#include "import/bill_text.h"

#include <iconv.h>

#include <cerrno>

#include "common/gbk.h"

namespace qinghe::import {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// One iconv descriptor per direction and thread.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; `input` is left at the bytes it stopped at
    // (empty when all converted). False on anything but the end of the input.
    bool convert(std::string_view& input, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        // iconv never writes through its input.
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (true) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            input = std::string_view(in, inLeft);
            if (result != static_cast<std::size_t>(-1)) return true;
            if (error != E2BIG) return false;
        }
    }

  private:
    iconv_t cd_;
};

Converter& fromGb18030() {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}

Converter& toGbk() {
    thread_local Converter converter("CP936", "UTF-8");
    return converter;
}

bool isWellFormedUtf8(std::string_view bytes) {
    // Plain ASCII is well-formed too; isUtf8BeyondAscii says false for it.
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return isUtf8BeyondAscii(bytes);
    }
    return true;
}

// Length of the UTF-8 character that starts with `lead` (1 for a stray byte).
std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

std::optional<DecodedText> decodeBillText(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.remove_prefix(kByteOrderMark.size());
        if (!isWellFormedUtf8(bytes)) return std::nullopt;
        return DecodedText{std::string(bytes), TextEncoding::Utf8};
    }
    if (isWellFormedUtf8(bytes)) return DecodedText{std::string(bytes), TextEncoding::Utf8};
    Converter& converter = fromGb18030();
    if (!converter.valid()) return std::nullopt;
    DecodedText text{{}, TextEncoding::Gb18030};
    text.utf8.reserve(bytes.size() + bytes.size() / 2);
    if (!converter.convert(bytes, text.utf8) || !bytes.empty()) return std::nullopt;
    return text;
}

StoredText toStoredText(std::string_view utf8) {
    StoredText stored;
    Converter& converter = toGbk();
    if (!converter.valid()) return {std::string(), !utf8.empty()};
    stored.gbk.reserve(utf8.size());
    while (!utf8.empty()) {
        if (converter.convert(utf8, stored.gbk) && utf8.empty()) break;
        // A character GBK has no place for (or a stray byte): shown and kept as "?".
        const std::size_t skip =
            std::min(utf8Length(static_cast<unsigned char>(utf8.front())), utf8.size());
        utf8.remove_prefix(skip);
        stored.gbk += '?';
        stored.replaced = true;
    }
    return stored;
}

std::string_view trimCell(std::string_view text) {
    constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
    while (true) {
        const std::size_t before = text.size();
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t' ||
                                 text.front() == '\r' || text.front() == '\n'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                                 text.back() == '\n'))
            text.remove_suffix(1);
        if (text.starts_with(kIdeographicSpace)) text.remove_prefix(kIdeographicSpace.size());
        if (text.ends_with(kIdeographicSpace)) text.remove_suffix(kIdeographicSpace.size());
        if (text.size() == before) return text;
    }
}

}  // namespace qinghe::import
