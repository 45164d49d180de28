#include "entry/image_kind.h"

#include <cstdint>

#include "entry/byte_reading.h"

namespace qinghe::entry {

namespace {

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A bitmap's file header and the start of its information header, as far as
// they can be judged without the rest of the file: a known header size, one
// plane, a bit depth and compression a bitmap may have, a non-empty size, and
// pixel data that starts after the headers.
bool plausibleBitmap(std::string_view bytes) {
    if (bytes.size() < 30 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const std::uint32_t dataOffset = readLe32(bytes, 10);
    const std::uint32_t headerSize = readLe32(bytes, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    if (headerSize == 12) {
        width = readLe16(bytes, 18);
        height = readLe16(bytes, 20);
        planes = readLe16(bytes, 22);
        bitCount = readLe16(bytes, 24);
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        if (bytes.size() < 34) return false;
        width = static_cast<std::int32_t>(readLe32(bytes, 18));
        height = static_cast<std::int32_t>(readLe32(bytes, 22));
        planes = readLe16(bytes, 26);
        bitCount = readLe16(bytes, 28);
        compression = readLe32(bytes, 30);
    } else {
        return false;
    }
    const bool knownDepth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                            bitCount == 24 || bitCount == 32;
    const bool knownCompression = compression <= 3 || compression == 6;
    return planes == 1 && knownDepth && knownCompression && width > 0 && height != 0 &&
           dataOffset >= 14 + headerSize;
}

}  // namespace

ImageKind imageKind(std::string_view bytes) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xD8 &&
        static_cast<unsigned char>(bytes[2]) == 0xFF) {
        return ImageKind::Jpeg;
    }
    if (bytes.size() >= sizeof kPngSignature &&
        bytes.compare(0, sizeof kPngSignature,
                      std::string_view(reinterpret_cast<const char*>(kPngSignature),
                                       sizeof kPngSignature)) == 0) {
        return ImageKind::Png;
    }
    if (plausibleBitmap(bytes)) return ImageKind::Bmp;
    return ImageKind::Unknown;
}

const char* imageKindName(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg:
            return "jpeg";
        case ImageKind::Png:
            return "png";
        case ImageKind::Bmp:
            return "bmp";
        case ImageKind::Unknown:
            break;
    }
    return "unknown";
}

const char* imageFileExtension(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg:
            return "jpg";
        case ImageKind::Png:
            return "png";
        case ImageKind::Bmp:
            return "bmp";
        case ImageKind::Unknown:
            break;
    }
    return "bin";
}

}  // namespace qinghe::entry
