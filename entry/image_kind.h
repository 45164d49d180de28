#pragma once

#include <string_view>

namespace qinghe::entry {

// The picture formats a voucher may hold, recognised by content, never by a
// file name.
enum class ImageKind { Unknown, Jpeg, Png, Bmp };

// What the bytes start with: a JPEG (FF D8 FF), a PNG signature, or "BM"
// followed by a plausible bitmap header. Anything else is Unknown.
ImageKind imageKind(std::string_view bytes);

inline bool startsImage(std::string_view bytes) {
    return imageKind(bytes) != ImageKind::Unknown;
}

// "jpeg", "png", "bmp" or "unknown", for tools that list vouchers.
const char* imageKindName(ImageKind kind);
// The usual extension without its dot: "jpg", "png", "bmp"; "bin" for Unknown.
const char* imageFileExtension(ImageKind kind);

}  // namespace qinghe::entry
