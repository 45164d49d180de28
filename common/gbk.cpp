#include "common/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qinghe {

namespace {

// Code page 936 as Windows has it (0x80 is the euro sign).
constexpr const char* kGbkName = "CP936";
constexpr const char* kUtf8Name = "UTF-8";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One iconv descriptor per direction and thread: opening one costs far more than a
// short conversion.
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    enum class Stop { Done, Invalid, Incomplete };

    // Converts as much of input as possible, appending to out; on a stop, input is
    // left at the offending bytes.
    Stop convert(std::string_view& input, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        // iconv's interface is not const-correct; it never writes through the input.
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (true) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            input = std::string_view(in, inLeft);
            if (result != static_cast<std::size_t>(-1)) break;
            if (error == E2BIG) continue;
            return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
        }
        return Stop::Done;
    }

  private:
    iconv_t cd_;
};

Converter& gbkToUtf8Converter() {
    thread_local Converter converter(kUtf8Name, kGbkName);
    return converter;
}

Converter& utf8ToGbkConverter() {
    thread_local Converter converter(kGbkName, kUtf8Name);
    return converter;
}

std::optional<std::string> convertStrict(Converter& converter, std::string_view input) {
    if (!converter.valid()) return std::nullopt;
    std::string out;
    out.reserve(input.size() * 3 / 2);
    if (converter.convert(input, out) != Converter::Stop::Done) return std::nullopt;
    return out;
}

bool isGbkTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
    return convertStrict(gbkToUtf8Converter(), gbk);
}

std::optional<std::string> utf8ToGbk(std::string_view utf8) {
    return convertStrict(utf8ToGbkConverter(), utf8);
}

std::string gbkText(std::string_view utf8) {
    auto text = utf8ToGbk(utf8);
    if (!text) {
        std::fprintf(stderr, "a text of the program is not GBK: %.*s\n",
                     static_cast<int>(utf8.size()), utf8.data());
        std::abort();
    }
    return std::move(*text);
}

bool isUtf8BeyondAscii(std::string_view bytes) {
    bool beyond = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // no overlong forms
            if (lead == 0xED) high = 0x9F;  // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        beyond = true;
        i += length;
    }
    return beyond;
}

std::string pathToGbk(const std::filesystem::path& path) {
    const std::string& utf8 = path.native();
    if (auto gbk = utf8ToGbk(utf8)) return std::move(*gbk);
    std::string shown;
    shown.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // One "?" for each character: continuation bytes of UTF-8 are skipped.
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            shown += utf8[i];
        } else if ((byte & 0xC0) != 0x80) {
            shown += '?';
        }
    }
    return shown;
}

std::string gbkToUtf8Lossy(std::string_view gbk) {
    Converter& converter = gbkToUtf8Converter();
    std::string out;
    if (!converter.valid()) {
        // Without the converter only plain ASCII can be shown as it is.
        for (const char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out += c;
            } else {
                out += kReplacement;
            }
        }
        return out;
    }
    out.reserve(gbk.size() * 3 / 2);
    while (converter.convert(gbk, out) != Converter::Stop::Done) {
        out += kReplacement;
        // A well-formed pair that has no character is one unknown character; a lead byte
        // without a proper trail byte is dropped alone so the next character survives.
        const bool pair = gbk.size() >= 2 && isGbkLeadByte(static_cast<unsigned char>(gbk[0])) &&
                          isGbkTrailByte(static_cast<unsigned char>(gbk[1]));
        gbk.remove_prefix(pair ? 2 : 1);
    }
    return out;
}

std::size_t gbkCharLength(std::string_view text, std::size_t pos) {
    return isGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::string_view cutGbk(std::string_view text, std::size_t width) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length = gbkCharLength(text, end);
        if (end + length > width) break;
        end += length;
    }
    return text.substr(0, end);
}

bool gbkNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size();) {
        if (gbkCharLength(a, i) == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (lower(a[i]) != lower(b[i])) return false;
            ++i;
        }
    }
    return true;
}

}  // namespace qinghe
