#pragma once

// Photo-like pictures for tests, benchmarks and screenshots: a receipt lying
// on a wooden table, with printed lines, shading and sensor noise, so that a
// JPEG of it is about as large and as slow to decode as a phone's photo. And
// the Exif block a phone writes, with its thumbnail.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "entry/image_codec.h"
#include "entry/picture.h"

namespace qinghe::testing {

namespace photo_detail {

inline std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Smooth noise in [0, 1) on a grid of `cell` pixels.
inline float smoothNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const auto xi = static_cast<std::uint32_t>(static_cast<std::int32_t>(fx));
    const auto yi = static_cast<std::uint32_t>(static_cast<std::int32_t>(fy));
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](std::uint32_t a, std::uint32_t b) {
        return static_cast<float>(hash(a, b, seed) & 0xFFFF) / 65536.0f;
    };
    const float a = at(xi, yi), b = at(xi + 1, yi), c = at(xi, yi + 1), d = at(xi + 1, yi + 1);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

inline std::uint8_t clampByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f));
}

}  // namespace photo_detail

// A receipt photographed on a table, `width` x `height`; `seed` varies the
// grain, the print and the noise. `grain` is the sensor noise either way in
// levels of brightness: at 10 a 12 MP photo saved at quality 92 takes about
// 4 MB, as a phone's does; at 3 about 2.3 MB.
inline entry::Picture samplePhoto(int width, int height, std::uint32_t seed = 1, int grain = 10) {
    using namespace photo_detail;
    entry::Picture picture = entry::Picture::allocate({width, height}).value();
    const float unit = static_cast<float>(std::min(width, height)) / 3000.0f;  // 1 at 12 MP
    const float cx = width * 0.5f, cy = height * 0.52f;
    const float angle = 0.08f + static_cast<float>(seed % 7) * 0.01f;
    const float ca = std::cos(angle), sa = std::sin(angle);
    const float paperW = height * 0.62f, paperH = height * 0.9f;
    const float line = 58 * unit, glyph = 17 * unit;
    std::uint32_t noise = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = picture.row(y);
        // The wood's grain runs along the rows: its coarse noise per row.
        const float grainRow = smoothNoise(0.5f, y / (40 * unit), seed + 11);
        for (int x = 0; x < width; ++x, out += 4) {
            const float dx = x - cx, dy = y - cy;
            const float u = dx * ca + dy * sa + paperW / 2;  // paper coordinates
            const float v = -dx * sa + dy * ca + paperH / 2;
            const float light = 1.0f - 0.18f * (dx * dx + dy * dy) / (cx * cx + cy * cy);
            float r, g, b;
            if (u >= 0 && u < paperW && v >= 0 && v < paperH) {
                const float shade =
                    236 - 18 * v / paperH + 5 * smoothNoise(u / (90 * unit), v / (90 * unit), seed);
                r = shade;
                g = shade - 3;
                b = shade - 9;
                // Printed text: rows of glyph cells, words of varying length.
                const int row = static_cast<int>(v / line);
                const float inRow = v - row * line;
                const float margin = 110 * unit;
                if (row >= 2 && inRow > 0.3f * line && inRow < 0.3f * line + 1.3f * glyph &&
                    u > margin && u < paperW - margin) {
                    const int cell = static_cast<int>((u - margin) / glyph);
                    const std::uint32_t word = hash(static_cast<std::uint32_t>(cell / 6),
                                                    static_cast<std::uint32_t>(row), seed + 3);
                    const int length = static_cast<int>(word % 40) + 5;  // cells in this row
                    if (cell < length && (word >> 8) % 5 != 0 && cell % 6 != 5) {
                        const int gx = static_cast<int>((u - margin - cell * glyph) * 5 / glyph);
                        const int gy = static_cast<int>((inRow - 0.3f * line) * 7 / (1.3f * glyph));
                        const std::uint32_t shape = hash(static_cast<std::uint32_t>(cell),
                                                         static_cast<std::uint32_t>(row), seed + 5);
                        if (gx < 4 && gy < 7 && (shape >> (gx * 7 + gy)) & 1) {
                            r = g = b = 45 + 25 * grainRow;
                        }
                    }
                }
            } else {
                // Wood: grain along the rows, knots from a coarser noise; the
                // paper's shadow to the lower right.
                const float knots = smoothNoise(x / (700 * unit), y / (500 * unit), seed + 7);
                const float grain =
                    0.5f + 0.5f * std::sin(x * 0.004f / unit + 9 * grainRow + 5 * knots);
                const float shadowU = std::max({-u, u - paperW, 0.0f}),
                            shadowV = std::max({-v, v - paperH, 0.0f});
                const float near = std::sqrt(shadowU * shadowU + shadowV * shadowV) / (60 * unit);
                const float shadow = 1 - 0.35f * std::exp(-near);
                r = (118 + 70 * grain) * shadow;
                g = (76 + 42 * grain) * shadow;
                b = (46 + 24 * grain) * shadow;
            }
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            // Sensor noise and fine texture in the brightness, as a phone's
            // sharpened photo has: most of what its JPEG spends bytes on.
            const float grainNoise = static_cast<float>(
                static_cast<int>(noise % static_cast<std::uint32_t>(2 * grain + 1)) - grain);
            out[0] = clampByte(b * light + grainNoise);
            out[1] = clampByte(g * light + grainNoise);
            out[2] = clampByte(r * light + grainNoise);
            out[3] = 255;
        }
    }
    return picture;
}

// The APP1 segment (marker, length and content) of a phone's Exif block: the
// orientation in the first directory and, when given, a JPEG thumbnail
// described by the second. Little-endian, as phones write it.
inline std::string exifSegment(int orientation, std::string_view thumbnail = {}) {
    std::string tiff = std::string("II*\0", 4);
    auto u16 = [&](std::uint32_t v) {
        tiff += static_cast<char>(v & 0xFF);
        tiff += static_cast<char>(v >> 8 & 0xFF);
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(1);
        if (type == 3) {
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    };
    u32(8);  // the first directory follows the header
    u16(1);
    entry(0x0112, 3, static_cast<std::uint32_t>(orientation));
    const std::uint32_t second = thumbnail.empty() ? 0 : 8 + 2 + 12 + 4;
    u32(second);
    if (!thumbnail.empty()) {
        const std::uint32_t data = second + 2 + 3 * 12 + 4;
        u16(3);
        entry(0x0103, 3, 6);  // compressed as JPEG
        entry(0x0201, 4, data);
        entry(0x0202, 4, static_cast<std::uint32_t>(thumbnail.size()));
        u32(0);
        tiff += thumbnail;
    }
    const std::string content = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = content.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8 & 0xFF);
    segment += static_cast<char>(length & 0xFF);
    return segment + content;
}

// A JPEG with `segment` put right after its start-of-image marker.
inline std::string withSegment(const std::string& jpeg, const std::string& segment) {
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

// The picture as a phone saves it: a JPEG with an Exif block holding the
// orientation and a 160 x 120 thumbnail.
inline std::string phoneJpeg(const entry::Picture& picture, int quality = 92, int orientation = 1) {
    const std::string photo = entry::encodeJpeg(picture, quality).value();
    const auto small = entry::scalePicture(picture, entry::fitInside(picture.size(), {160, 120}));
    const std::string thumbnail = entry::encodeJpeg(small.value(), 80).value();
    return withSegment(photo, exifSegment(orientation, thumbnail));
}

}  // namespace qinghe::testing
