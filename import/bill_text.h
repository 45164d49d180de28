#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::import {

// The encodings bills come in: the payment apps write GB18030 (GBK) or UTF-8,
// with or without a byte-order mark. The file says which by its bytes.
enum class TextEncoding { Utf8, Gb18030 };

struct DecodedText {
    std::string utf8;  // without a byte-order mark
    TextEncoding encoding = TextEncoding::Utf8;
};

// A bill's bytes as UTF-8: a byte-order mark or well-formed UTF-8 is read as
// UTF-8, anything else as GB18030. Nothing when the bytes are neither (a
// binary or damaged file).
std::optional<DecodedText> decodeBillText(std::string_view bytes);

// A text of a bill as an entry can keep it: GBK, each character GBK cannot
// hold (an emoji, a rare character beyond GBK) replaced by "?", so that what
// is stored is what the preview shows. `replaced` tells whether any was.
struct StoredText {
    std::string gbk;
    bool replaced = false;
};
StoredText toStoredText(std::string_view utf8);

// White space around a cell (spaces, tabs: the apps end numbers with a tab so
// that spreadsheets keep them as text; also the ideographic space) set aside.
std::string_view trimCell(std::string_view text);

}  // namespace qinghe::import
