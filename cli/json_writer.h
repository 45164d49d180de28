#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace qinghe::cli {

// JSON lines written straight into a buffer, for lists of many rows: no object
// is built for a row. Byte for byte what nlohmann's dump() writes for objects
// of strings (valid UTF-8), integers and booleans: keys in the order given,
// no spaces, the same escapes.
class JsonLineWriter {
  public:
    explicit JsonLineWriter(std::FILE* out = stdout) : out_(out) { buffer_.reserve(kFlushAt * 2); }
    ~JsonLineWriter() { flush(); }
    JsonLineWriter(const JsonLineWriter&) = delete;
    JsonLineWriter& operator=(const JsonLineWriter&) = delete;

    JsonLineWriter& begin() {
        buffer_.push_back('{');
        first_ = true;
        return *this;
    }
    JsonLineWriter& field(std::string_view key, std::string_view utf8) {
        name(key);
        quoted(utf8);
        return *this;
    }
    JsonLineWriter& field(std::string_view key, std::int64_t value) {
        name(key);
        buffer_ += std::to_string(value);
        return *this;
    }
    // A nested object under `key`: its fields follow, then end().
    JsonLineWriter& object(std::string_view key) {
        name(key);
        buffer_ += '{';
        first_ = true;
        return *this;
    }
    JsonLineWriter& end() {
        buffer_ += '}';
        first_ = false;
        return *this;
    }
    // Ends the line; the buffer goes out in large pieces.
    void line() {
        buffer_ += '}';
        buffer_ += '\n';
        if (buffer_.size() >= kFlushAt) flush();
    }
    void flush() {
        if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
        buffer_.clear();
    }

  private:
    static constexpr std::size_t kFlushAt = 64 * 1024;

    // Keys are plain words: written with their quotes, the colon and the
    // comma before them in one piece.
    void name(std::string_view key) {
        char piece[64];
        std::size_t n = 0;
        if (!first_) piece[n++] = ',';
        first_ = false;
        if (key.size() + 4 > sizeof piece) {
            buffer_.append(piece, n);
            quoted(key);
            buffer_.push_back(':');
            return;
        }
        piece[n++] = '"';
        std::memcpy(piece + n, key.data(), key.size());
        n += key.size();
        piece[n++] = '"';
        piece[n++] = ':';
        buffer_.append(piece, n);
    }
    void quoted(std::string_view text) {
        static constexpr char kHex[] = "0123456789abcdef";
        buffer_.push_back('"');
        std::size_t plain = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c >= 0x20 && c != '"' && c != '\\') [[likely]]
                continue;
            buffer_.append(text.substr(plain, i - plain));
            plain = i + 1;
            switch (c) {
                case '"':
                    buffer_ += "\\\"";
                    break;
                case '\\':
                    buffer_ += "\\\\";
                    break;
                case '\b':
                    buffer_ += "\\b";
                    break;
                case '\f':
                    buffer_ += "\\f";
                    break;
                case '\n':
                    buffer_ += "\\n";
                    break;
                case '\r':
                    buffer_ += "\\r";
                    break;
                case '\t':
                    buffer_ += "\\t";
                    break;
                default:
                    buffer_ += "\\u00";
                    buffer_ += kHex[c >> 4];
                    buffer_ += kHex[c & 15];
            }
        }
        buffer_.append(text.substr(plain));
        buffer_.push_back('"');
    }

    std::FILE* out_;
    std::string buffer_;
    bool first_ = true;
};

}  // namespace qinghe::cli
