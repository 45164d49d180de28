#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace qinghe::entry {

struct PixelSize {
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    std::int64_t pixels() const { return isEmpty() ? 0 : std::int64_t{width} * height; }
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// No picture is ever made larger than this (256 MiB of pixels): bigger images
// decode reduced, bigger back buffers are refused.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{64} * 1024 * 1024;

// Decoded pixels: rows top to bottom without padding, four bytes a pixel in
// the order blue, green, red, alpha, the colours premultiplied by alpha. On a
// little-endian machine this is Qt's ARGB32_Premultiplied, so the GUI wraps
// the buffer as it is.
class Picture {
  public:
    Picture() = default;

    // An uninitialised picture of that size; nothing when it is empty, larger
    // than kMaxPicturePixels, or the memory cannot be had.
    static std::optional<Picture> allocate(PixelSize size);

    PixelSize size() const { return size_; }
    int width() const { return size_.width; }
    int height() const { return size_.height; }
    bool isEmpty() const { return pixels_ == nullptr; }
    std::size_t stride() const { return static_cast<std::size_t>(size_.width) * 4; }
    std::size_t byteCount() const { return stride() * static_cast<std::size_t>(size_.height); }

    std::uint8_t* data() { return pixels_.get(); }
    const std::uint8_t* data() const { return pixels_.get(); }
    std::uint8_t* row(int y) { return pixels_.get() + stride() * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const {
        return pixels_.get() + stride() * static_cast<std::size_t>(y);
    }

    // Hands the buffer over (to be freed with delete[]); the picture is empty
    // afterwards.
    std::unique_ptr<std::uint8_t[]> takePixels();

  private:
    PixelSize size_;
    std::unique_ptr<std::uint8_t[]> pixels_;
};

// The largest size of the picture's shape that fits inside `box`, at least one
// pixel each way; empty when either is empty.
PixelSize fitInside(PixelSize picture, PixelSize box);

// The picture drawn at another size: each target pixel the average of the
// source area it covers when shrinking, interpolated between the nearest
// source pixels when growing. Nothing when the target is empty or too large.
std::optional<Picture> scalePicture(const Picture& source, PixelSize size);

// The picture turned upright for an Exif orientation (1 to 8: as stored,
// mirrored, turned half way, flipped, transposed, turned right, transverse,
// turned left); any other value leaves it as stored.
std::optional<Picture> orientPicture(Picture source, int orientation);
// The size an image of `stored` size shows at under that orientation.
PixelSize orientedSize(PixelSize stored, int orientation);

}  // namespace qinghe::entry
