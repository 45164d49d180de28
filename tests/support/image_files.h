#pragma once

// Small image files made on the spot for tests and the fuzzer's seeds: PNG in
// any of its colour types through libpng, bitmaps written by hand. Pixels
// come from a function of (x, y) giving red, green, blue and alpha.

#include <png.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qinghe::testing {

using Rgba = std::array<std::uint8_t, 4>;
using PixelSource = std::function<Rgba(int x, int y)>;

// A few colours in squares, opaque, with a half-transparent corner when asked.
inline PixelSource checkerboard(bool translucentCorner = false) {
    return [translucentCorner](int x, int y) -> Rgba {
        if (translucentCorner && x < 2 && y < 2) return {200, 40, 40, 128};
        return ((x / 4 + y / 4) % 2) ? Rgba{250, 250, 240, 255} : Rgba{20, 60, 160, 255};
    };
}

struct PngOptions {
    int colorType = PNG_COLOR_TYPE_RGB;  // also GRAY, GRAY_ALPHA, PALETTE, RGB_ALPHA
    int bitDepth = 8;                    // 16 for 16-bit channels
    bool interlaced = false;
};

namespace image_files_detail {

inline void appendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// The libpng calls alone, behind the setjmp its errors jump back to; the
// caller holds everything with a destructor. `rows` holds every row, filtered
// as libpng takes them.
inline bool writePng(std::string* out, int width, int height, const PngOptions& options,
                     const png_color* palette, const png_byte* alphas, int colours,
                     const png_byte* rows, std::size_t rowBytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendToString, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 options.bitDepth, options.colorType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (options.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, colours);
        png_set_tRNS(png, info, alphas, colours, nullptr);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y)
            png_write_row(png, rows + rowBytes * static_cast<std::size_t>(y));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace image_files_detail

inline std::string pngBytes(int width, int height, const PixelSource& pixel,
                            const PngOptions& options = {}) {
    std::map<Rgba, int> indices;
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    if (options.colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Rgba c = pixel(x, y);
                if (indices.emplace(c, static_cast<int>(palette.size())).second) {
                    palette.push_back({c[0], c[1], c[2]});
                    alphas.push_back(c[3]);
                }
            }
        }
    }
    int channels = 3;
    if (options.colorType == PNG_COLOR_TYPE_GRAY) channels = 1;
    if (options.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) channels = 2;
    if (options.colorType == PNG_COLOR_TYPE_PALETTE) channels = 1;
    if (options.colorType == PNG_COLOR_TYPE_RGB_ALPHA) channels = 4;
    const bool wide = options.bitDepth == 16;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels * (wide ? 2 : 1);
    std::vector<png_byte> rows;
    rows.reserve(rowBytes * static_cast<std::size_t>(height));
    auto put = [&](int value) {
        rows.push_back(static_cast<png_byte>(value));
        if (wide) rows.push_back(static_cast<png_byte>(value));  // v * 257
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba c = pixel(x, y);
            switch (options.colorType) {
                case PNG_COLOR_TYPE_GRAY:
                    put(c[1]);
                    break;
                case PNG_COLOR_TYPE_GRAY_ALPHA:
                    put(c[1]);
                    put(c[3]);
                    break;
                case PNG_COLOR_TYPE_PALETTE:
                    rows.push_back(static_cast<png_byte>(indices[c]));
                    break;
                default:
                    put(c[0]);
                    put(c[1]);
                    put(c[2]);
                    if (channels == 4) put(c[3]);
            }
        }
    }
    std::string out;
    if (!image_files_detail::writePng(&out, width, height, options, palette.data(), alphas.data(),
                                      static_cast<int>(palette.size()), rows.data(), rowBytes))
        return {};
    return out;
}

struct BmpOptions {
    int bitCount = 24;  // 1, 4, 8 (palette of the colours met), 16, 24 or 32
    bool topDown = false;
    bool runLength = false;  // RLE8 (bitCount 8 only)
    int headerSize = 40;     // 12 for the old core header
};

inline void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

inline std::string bmpBytes(int width, int height, const PixelSource& pixel,
                            const BmpOptions& options = {}) {
    const int bits = options.bitCount;
    std::map<Rgba, int> indices;
    std::vector<Rgba> palette;
    if (bits <= 8) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Rgba c = pixel(x, y);
                c[3] = 255;
                if (indices.emplace(c, static_cast<int>(palette.size())).second)
                    palette.push_back(c);
            }
        }
    }
    const std::size_t entryBytes = options.headerSize == 12 ? 3 : 4;
    std::string pixels;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    auto index = [&](int x, int y) {
        Rgba c = pixel(x, y);
        c[3] = 255;
        return indices.at(c);
    };
    for (int i = 0; i < height; ++i) {
        const int y = options.topDown ? i : height - 1 - i;
        if (options.runLength) {
            for (int x = 0; x < width; ++x) {  // runs of one pixel each, then end of row
                pixels += '\x01';
                pixels += static_cast<char>(index(x, y));
            }
            pixels += std::string("\x00\x00", 2);
            continue;
        }
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const Rgba c = pixel(x, y);
            if (bits <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                row[bit / 8] =
                    static_cast<char>(row[bit / 8] | index(x, y) << (8 - bits - bit % 8));
            } else if (bits == 16) {
                const std::uint32_t v = (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3);
                row[x * 2] = static_cast<char>(v & 0xFF);
                row[x * 2 + 1] = static_cast<char>(v >> 8);
            } else {
                const std::size_t at = static_cast<std::size_t>(x) * (bits / 8);
                row[at] = static_cast<char>(c[2]);
                row[at + 1] = static_cast<char>(c[1]);
                row[at + 2] = static_cast<char>(c[0]);
                if (bits == 32) row[at + 3] = '\0';  // unused in a plain 32-bit bitmap
            }
        }
        pixels += row;
    }
    if (options.runLength) pixels += std::string("\x00\x01", 2);

    std::string info;
    if (options.headerSize == 12) {
        putLe(info, 12, 4);
        putLe(info, static_cast<std::uint32_t>(width), 2);
        putLe(info, static_cast<std::uint32_t>(height), 2);
        putLe(info, 1, 2);
        putLe(info, static_cast<std::uint32_t>(bits), 2);
    } else {
        putLe(info, 40, 4);
        putLe(info, static_cast<std::uint32_t>(width), 4);
        putLe(info, static_cast<std::uint32_t>(options.topDown ? -height : height), 4);
        putLe(info, 1, 2);
        putLe(info, static_cast<std::uint32_t>(bits), 2);
        putLe(info, options.runLength ? 1 : 0, 4);
        putLe(info, static_cast<std::uint32_t>(pixels.size()), 4);
        putLe(info, 2835, 4);
        putLe(info, 2835, 4);
        putLe(info, static_cast<std::uint32_t>(palette.size()), 4);
        putLe(info, 0, 4);
    }
    for (const Rgba& c : palette) {
        info += static_cast<char>(c[2]);
        info += static_cast<char>(c[1]);
        info += static_cast<char>(c[0]);
        if (entryBytes == 4) info += '\0';
    }
    std::string file = "BM";
    putLe(file, static_cast<std::uint32_t>(14 + info.size() + pixels.size()), 4);
    putLe(file, 0, 4);
    putLe(file, static_cast<std::uint32_t>(14 + info.size()), 4);
    return file + info + pixels;
}

}  // namespace qinghe::testing
