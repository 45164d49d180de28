#pragma once

// The decoders behind image_codec.h; only the codec and its tests use these.

#include <array>
#include <optional>
#include <string_view>

#include "entry/image_codec.h"

namespace qinghe::entry::detail {

// The size each way at which an image `stored` large still covers `cover`
// when every `factor` x `factor` block of it becomes one pixel. The factor is
// the largest of `factors` (ascending) that keeps the cover; raised, past the
// list if need be, until the result is within kMaxPicturePixels.
int reductionFactor(PixelSize stored, PixelSize cover, const int* factors, std::size_t count);
// PNG and bitmaps are averaged in blocks as they are read, so any factor up
// to 64 serves (the sums of a block stay within 32 bits).
inline constexpr std::array<int, 64> kAnyFactor = [] {
    std::array<int, 64> factors{};
    for (int i = 0; i < 64; ++i) factors[i] = i + 1;
    return factors;
}();
inline PixelSize reducedSize(PixelSize size, int factor) {
    return {(size.width + factor - 1) / factor, (size.height + factor - 1) / factor};
}

std::optional<ImageInfo> jpegInfo(std::string_view bytes);
std::optional<StoredImage> decodeJpeg(std::string_view bytes, PixelSize cover);
std::optional<std::string> encodeJpeg(const Picture& picture, int quality);

std::optional<ImageInfo> pngInfo(std::string_view bytes);
std::optional<StoredImage> decodePng(std::string_view bytes, PixelSize cover);

std::optional<ImageInfo> bmpInfo(std::string_view bytes);
std::optional<StoredImage> decodeBmp(std::string_view bytes, PixelSize cover);

}  // namespace qinghe::entry::detail
