// Windows bitmaps, read by hand: every header value is checked before it is
// used, every offset against the bytes there are.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "entry/byte_reading.h"
#include "entry/image_decoders.h"
#include "entry/row_reducer.h"

namespace qinghe::entry::detail {

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;
constexpr std::size_t kFileHeaderSize = 14;

// One colour channel of a 16- or 32-bit pixel: where it sits and how wide.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;  // the mask shifted down

    static Channel of(std::uint32_t mask) {
        Channel c;
        c.mask = mask;
        if (mask != 0) {
            c.shift = std::countr_zero(mask);
            c.maximum = mask >> c.shift;
        }
        return c;
    }
    std::uint8_t value(std::uint32_t pixel, std::uint8_t absent) const {
        if (maximum == 0) return absent;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>((v * 255 + maximum / 2) / maximum);
    }
};

struct Bitmap {
    PixelSize size;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::size_t dataOffset = 0;
    std::size_t stride = 0;  // bytes a row of an uncompressed bitmap takes
    std::vector<std::array<std::uint8_t, 4>> palette;  // blue, green, red, 255
    Channel red, green, blue, alpha;
};

// The headers, checked; nothing when anything is out of place.
std::optional<Bitmap> readHeaders(std::string_view bytes) {
    if (bytes.size() < kFileHeaderSize + 4 || bytes.substr(0, 2) != "BM") return std::nullopt;
    Bitmap bmp;
    bmp.dataOffset = readLe32(bytes, 10);
    const std::uint32_t headerSize = readLe32(bytes, 14);
    if (headerSize > bytes.size() - kFileHeaderSize) return std::nullopt;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint32_t colorsUsed = 0;
    std::size_t paletteEntryBytes = 4;
    const std::size_t h = kFileHeaderSize;
    if (headerSize == 12) {
        width = readLe16(bytes, h + 4);
        height = readLe16(bytes, h + 6);
        planes = readLe16(bytes, h + 8);
        bmp.bitCount = static_cast<int>(readLe16(bytes, h + 10));
        paletteEntryBytes = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        width = static_cast<std::int32_t>(readLe32(bytes, h + 4));
        height = static_cast<std::int32_t>(readLe32(bytes, h + 8));
        planes = readLe16(bytes, h + 12);
        bmp.bitCount = static_cast<int>(readLe16(bytes, h + 14));
        bmp.compression = readLe32(bytes, h + 16);
        colorsUsed = readLe32(bytes, h + 32);
    } else {
        return std::nullopt;
    }
    if (planes != 1 || width <= 0 || height == 0) return std::nullopt;
    bmp.topDown = height < 0;
    height = height < 0 ? -height : height;  // 64 bits: even INT32_MIN turns
    if (width * height > kMaxImagePixels) return std::nullopt;
    bmp.size = {static_cast<int>(width), static_cast<int>(height)};

    const int bits = bmp.bitCount;
    switch (bmp.compression) {
        case kRgb:
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
                return std::nullopt;
            break;
        case kRle8:
            if (bits != 8 || bmp.topDown) return std::nullopt;
            break;
        case kRle4:
            if (bits != 4 || bmp.topDown) return std::nullopt;
            break;
        case kBitfields:
        case kAlphaBitfields:
            if (bits != 16 && bits != 32) return std::nullopt;
            break;
        default:
            return std::nullopt;  // embedded JPEG or PNG, or unknown
    }

    // Channel masks: in the header from version 2 on, otherwise right after it.
    std::size_t afterHeader = h + headerSize;
    if (bmp.compression == kBitfields || bmp.compression == kAlphaBitfields) {
        std::size_t masks = h + 40;
        const std::size_t count = bmp.compression == kAlphaBitfields ? 4 : 3;
        if (headerSize == 40) afterHeader += count * 4;
        if (headerSize == 64 || masks + count * 4 > bytes.size()) return std::nullopt;
        bmp.red = Channel::of(readLe32(bytes, masks));
        bmp.green = Channel::of(readLe32(bytes, masks + 4));
        bmp.blue = Channel::of(readLe32(bytes, masks + 8));
        if (count == 4 || headerSize >= 56) {
            if (masks + 16 > bytes.size()) return std::nullopt;
            bmp.alpha = Channel::of(readLe32(bytes, masks + 12));
        }
    } else if (bits == 16) {
        bmp.red = Channel::of(0x7C00);
        bmp.green = Channel::of(0x03E0);
        bmp.blue = Channel::of(0x001F);
    } else if (bits == 32) {
        // The fourth byte of a plain 32-bit bitmap is unused, not alpha.
        bmp.red = Channel::of(0x00FF0000);
        bmp.green = Channel::of(0x0000FF00);
        bmp.blue = Channel::of(0x000000FF);
    }

    if (bits <= 8) {
        const std::uint32_t most = 1u << bits;
        const std::uint32_t entries = colorsUsed == 0 || colorsUsed > most ? most : colorsUsed;
        // The palette may be shorter than promised when the pixel data
        // follows at once; entries it lacks stay black.
        const std::size_t room =
            bmp.dataOffset > afterHeader ? (bmp.dataOffset - afterHeader) / paletteEntryBytes : 0;
        const std::size_t there = std::min<std::size_t>(
            std::min<std::size_t>(entries, room),
            afterHeader < bytes.size() ? (bytes.size() - afterHeader) / paletteEntryBytes : 0);
        bmp.palette.assign(most, {0, 0, 0, 255});
        for (std::size_t i = 0; i < there; ++i) {
            const std::size_t at = afterHeader + i * paletteEntryBytes;
            bmp.palette[i] = {static_cast<std::uint8_t>(byteAt(bytes, at)),
                              static_cast<std::uint8_t>(byteAt(bytes, at + 1)),
                              static_cast<std::uint8_t>(byteAt(bytes, at + 2)), 255};
        }
    }
    if (bmp.dataOffset < afterHeader || bmp.dataOffset >= bytes.size()) return std::nullopt;
    bmp.stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
    return bmp;
}

// One row of an uncompressed bitmap to blue, green, red, alpha (premultiplied).
void convertRow(const Bitmap& bmp, const std::uint8_t* in, std::uint8_t* out) {
    const int width = bmp.size.width;
    switch (bmp.bitCount) {
        case 1:
        case 4:
        case 8: {
            const int bits = bmp.bitCount;
            const unsigned mask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x, out += 4) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const unsigned index = (in[bit / 8] >> (8 - bits - bit % 8)) & mask;
                const auto& colour = bmp.palette[index];
                std::copy(colour.begin(), colour.end(), out);
            }
            return;
        }
        case 24:
            for (int x = 0; x < width; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
            return;
        default: {  // 16 or 32 bits through the channel masks
            const int bytesPerPixel = bmp.bitCount / 8;
            for (int x = 0; x < width; ++x, in += bytesPerPixel, out += 4) {
                const std::uint32_t pixel =
                    bytesPerPixel == 2
                        ? static_cast<std::uint32_t>(in[0] | in[1] << 8)
                        : static_cast<std::uint32_t>(in[0] | in[1] << 8 | in[2] << 16) |
                              static_cast<std::uint32_t>(in[3]) << 24;
                out[0] = bmp.blue.value(pixel, 0);
                out[1] = bmp.green.value(pixel, 0);
                out[2] = bmp.red.value(pixel, 0);
                out[3] = bmp.alpha.value(pixel, 255);
            }
            premultiplyRow(out - static_cast<std::size_t>(width) * 4, width);
            return;
        }
    }
}

// A run-length code of two bytes paints at most 255 pixels: a bitmap far
// larger than its codes could paint is junk (pixels never reached stay
// transparent), and is refused before its whole picture is allocated.
constexpr std::int64_t kMaxRunLengthPixelsPerByte = 256;

// Run-length encoded pixels (bottom-up) into a whole picture; pixels the data
// never reaches stay transparent. Nothing when the data breaks off before its
// end-of-bitmap code.
std::optional<Picture> decodeRunLength(const Bitmap& bmp, std::string_view bytes) {
    if (bmp.size.pixels() >
        kMaxRunLengthPixelsPerByte * static_cast<std::int64_t>(bytes.size() - bmp.dataOffset))
        return std::nullopt;
    auto picture = Picture::allocate(bmp.size);
    if (!picture) return std::nullopt;
    std::fill(picture->data(), picture->data() + picture->byteCount(), 0);
    const int width = bmp.size.width;
    const int height = bmp.size.height;
    const bool four = bmp.compression == kRle4;
    int x = 0;
    int y = 0;  // rows counted from the bottom
    auto put = [&](unsigned index) {
        if (x < width && y < height) {
            const auto& colour = bmp.palette[index];
            std::copy(colour.begin(), colour.end(),
                      picture->row(height - 1 - y) + static_cast<std::size_t>(x) * 4);
        }
        ++x;
    };
    std::size_t at = bmp.dataOffset;
    while (at + 2 <= bytes.size()) {
        const unsigned count = byteAt(bytes, at);
        const unsigned value = byteAt(bytes, at + 1);
        at += 2;
        if (count > 0) {  // a run of one index (or two alternating ones)
            for (unsigned i = 0; i < count && x < width; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) {  // end of row
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return picture;
        } else if (value == 2) {  // move right and up
            if (at + 2 > bytes.size()) return std::nullopt;
            x += static_cast<int>(byteAt(bytes, at));
            y += static_cast<int>(byteAt(bytes, at + 1));
            at += 2;
        } else {  // `value` indices as they are, padded to a whole word
            const std::size_t dataBytes = four ? (value + 1) / 2 : value;
            if (at + dataBytes > bytes.size()) return std::nullopt;
            for (unsigned i = 0; i < value; ++i) {
                const unsigned byte = byteAt(bytes, at + (four ? i / 2 : i));
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
            }
            at += (dataBytes + 1) / 2 * 2;
        }
        if (y >= height) return picture;  // past the top: nothing more can show
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageInfo> bmpInfo(std::string_view bytes) {
    const auto bmp = readHeaders(bytes);
    if (!bmp) return std::nullopt;
    return ImageInfo{ImageKind::Bmp, bmp->size, 1};
}

std::optional<StoredImage> decodeBmp(std::string_view bytes, PixelSize cover) {
    const auto bmp = readHeaders(bytes);
    if (!bmp) return std::nullopt;
    const int factor = reductionFactor(bmp->size, cover, kAnyFactor.data(), kAnyFactor.size());
    auto picture = Picture::allocate(reducedSize(bmp->size, factor));
    if (!picture) return std::nullopt;
    RowReducer reducer(*picture, bmp->size.width, bmp->size.height, factor);

    if (bmp->compression == kRle8 || bmp->compression == kRle4) {
        auto whole = decodeRunLength(*bmp, bytes);
        if (!whole) return std::nullopt;
        for (int y = 0; y < bmp->size.height; ++y) reducer.addRow(whole->row(y));
        return StoredImage{bmp->size, 1, std::move(*picture)};
    }

    // Every row must be there: a truncated bitmap is no picture. The last
    // row need not carry its padding.
    const std::size_t rows = static_cast<std::size_t>(bmp->size.height);
    const std::size_t lastRow = (static_cast<std::size_t>(bmp->size.width) * bmp->bitCount + 7) / 8;
    if (bmp->dataOffset + bmp->stride * (rows - 1) + lastRow > bytes.size()) return std::nullopt;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bmp->size.width) * 4);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + bmp->dataOffset;
    for (std::size_t i = 0; i < rows; ++i) {
        const std::size_t stored = bmp->topDown ? i : rows - 1 - i;
        convertRow(*bmp, data + stored * bmp->stride, row.data());
        reducer.addRow(row.data());
    }
    return StoredImage{bmp->size, 1, std::move(*picture)};
}

}  // namespace qinghe::entry::detail
