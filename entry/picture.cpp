#include "entry/picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace qinghe::entry {

namespace {

// Weights are fixed point with this many fraction bits; each target pixel's
// weights add up to exactly one.
constexpr int kWeightBits = 14;
constexpr std::uint32_t kOne = 1u << kWeightBits;
constexpr std::uint32_t kHalf = kOne / 2;

// Which source pixels make up each target pixel along one axis, and how much.
struct AxisTaps {
    std::vector<int> first;   // per target pixel: its first source pixel
    std::vector<int> count;   // per target pixel: how many follow
    std::vector<int> offset;  // per target pixel: where its weights start
    std::vector<std::uint32_t> weights;
};

AxisTaps makeTaps(int source, int target) {
    AxisTaps taps;
    taps.first.resize(target);
    taps.count.resize(target);
    taps.offset.resize(target);
    std::vector<double> shares;
    for (int i = 0; i < target; ++i) {
        shares.clear();
        int first = 0;
        if (target < source) {
            // Shrinking: the source pixels under [lo, hi), each by how much
            // of it lies there.
            const double scale = static_cast<double>(source) / target;
            const double lo = i * scale;
            const double hi = std::min<double>(source, (i + 1) * scale);
            first = std::min(source - 1, static_cast<int>(lo));
            for (int j = first; j < source && j < hi; ++j) {
                const double share = std::min<double>(hi, j + 1) - std::max<double>(lo, j);
                if (share > 0)
                    shares.push_back(share / scale);
                else if (shares.empty())
                    ++first;
            }
        } else {
            // Growing (or the same size): between the two nearest pixel centres.
            const double position = (i + 0.5) * source / target - 0.5;
            if (position <= 0) {
                first = 0;
                shares.push_back(1);
            } else if (position >= source - 1) {
                first = source - 1;
                shares.push_back(1);
            } else {
                first = static_cast<int>(position);
                const double fraction = position - first;
                shares.push_back(1 - fraction);
                shares.push_back(fraction);
            }
        }
        if (shares.empty()) shares.push_back(1);
        taps.first[i] = first;
        taps.count[i] = static_cast<int>(shares.size());
        taps.offset[i] = static_cast<int>(taps.weights.size());
        double total = 0;
        for (double share : shares) total += share;
        std::uint32_t sum = 0;
        std::size_t largest = taps.weights.size();
        for (double share : shares) {
            const auto weight = static_cast<std::uint32_t>(std::lround(share / total * kOne));
            if (taps.weights.size() == largest || weight > taps.weights[largest])
                largest = taps.weights.size();
            taps.weights.push_back(weight);
            sum += weight;
        }
        // Rounding left the sum a little off one: the largest weight takes it.
        taps.weights[largest] += kOne - sum;
    }
    return taps;
}

// One row scaled along its length.
void scaleRow(const std::uint8_t* source, std::uint8_t* target, const AxisTaps& taps) {
    const int width = static_cast<int>(taps.first.size());
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* from = source + static_cast<std::size_t>(taps.first[x]) * 4;
        const std::uint32_t* weight = taps.weights.data() + taps.offset[x];
        std::uint32_t b = kHalf, g = kHalf, r = kHalf, a = kHalf;
        for (int k = 0; k < taps.count[x]; ++k, from += 4) {
            b += weight[k] * from[0];
            g += weight[k] * from[1];
            r += weight[k] * from[2];
            a += weight[k] * from[3];
        }
        std::uint8_t* to = target + static_cast<std::size_t>(x) * 4;
        to[0] = static_cast<std::uint8_t>(b >> kWeightBits);
        to[1] = static_cast<std::uint8_t>(g >> kWeightBits);
        to[2] = static_cast<std::uint8_t>(r >> kWeightBits);
        to[3] = static_cast<std::uint8_t>(a >> kWeightBits);
    }
}

std::uint32_t pixelAt(const Picture& picture, int x, int y) {
    std::uint32_t pixel;
    std::memcpy(&pixel, picture.row(y) + static_cast<std::size_t>(x) * 4, 4);
    return pixel;
}

}  // namespace

std::optional<Picture> Picture::allocate(PixelSize size) {
    if (size.isEmpty() || size.pixels() > kMaxPicturePixels) return std::nullopt;
    Picture picture;
    picture.pixels_.reset(new (std::nothrow)
                              std::uint8_t[static_cast<std::size_t>(size.pixels()) * 4]);
    if (!picture.pixels_) return std::nullopt;
    picture.size_ = size;
    return picture;
}

std::unique_ptr<std::uint8_t[]> Picture::takePixels() {
    size_ = {};
    return std::move(pixels_);
}

PixelSize fitInside(PixelSize picture, PixelSize box) {
    if (picture.isEmpty() || box.isEmpty()) return {};
    // Whichever side reaches the box first decides; compared in integers so
    // that equal shapes fill the box exactly.
    const std::int64_t byWidth = std::int64_t{box.width} * picture.height;
    const std::int64_t byHeight = std::int64_t{box.height} * picture.width;
    if (byWidth <= byHeight) {
        const auto height = static_cast<int>((byWidth + picture.width / 2) / picture.width);
        return {box.width, std::clamp(height, 1, box.height)};
    }
    const auto width = static_cast<int>((byHeight + picture.height / 2) / picture.height);
    return {std::clamp(width, 1, box.width), box.height};
}

std::optional<Picture> scalePicture(const Picture& source, PixelSize size) {
    if (source.isEmpty()) return std::nullopt;
    auto target = Picture::allocate(size);
    if (!target) return std::nullopt;
    const PixelSize from = source.size();
    if (from == size) {
        std::memcpy(target->data(), source.data(), source.byteCount());
        return target;
    }

    // Along the rows first, into a picture as wide as the target and as high
    // as the source; then down the columns.
    const AxisTaps across = makeTaps(from.width, size.width);
    const AxisTaps down = makeTaps(from.height, size.height);
    std::vector<std::uint8_t> narrowed;
    const std::uint8_t* rows = source.data();
    const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 4;
    if (from.width != size.width) {
        narrowed.resize(rowBytes * static_cast<std::size_t>(from.height));
        for (int y = 0; y < from.height; ++y)
            scaleRow(source.row(y), narrowed.data() + rowBytes * y, across);
        rows = narrowed.data();
    }
    if (from.height == size.height) {
        std::memcpy(target->data(), rows, target->byteCount());
        return target;
    }
    std::vector<std::uint32_t> sums(rowBytes);
    for (int y = 0; y < size.height; ++y) {
        std::fill(sums.begin(), sums.end(), kHalf);
        const std::uint32_t* weight = down.weights.data() + down.offset[y];
        for (int k = 0; k < down.count[y]; ++k) {
            const std::uint8_t* row = rows + rowBytes * static_cast<std::size_t>(down.first[y] + k);
            const std::uint32_t w = weight[k];
            for (std::size_t i = 0; i < rowBytes; ++i) sums[i] += w * row[i];
        }
        std::uint8_t* out = target->row(y);
        for (std::size_t i = 0; i < rowBytes; ++i)
            out[i] = static_cast<std::uint8_t>(sums[i] >> kWeightBits);
    }
    return target;
}

PixelSize orientedSize(PixelSize stored, int orientation) {
    if (orientation >= 5 && orientation <= 8) return {stored.height, stored.width};
    return stored;
}

std::optional<Picture> orientPicture(Picture source, int orientation) {
    if (source.isEmpty()) return std::nullopt;
    if (orientation < 2 || orientation > 8) return source;
    const int w = source.width();
    const int h = source.height();
    auto target = Picture::allocate(orientedSize(source.size(), orientation));
    if (!target) return std::nullopt;
    const int tw = target->width();
    const int th = target->height();
    for (int y = 0; y < th; ++y) {
        auto* out = target->row(y);
        for (int x = 0; x < tw; ++x) {
            // The stored pixel that shows at (x, y).
            int sx = x;
            int sy = y;
            switch (orientation) {
                case 2:  // mirrored
                    sx = w - 1 - x;
                    break;
                case 3:  // turned half way
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4:  // flipped
                    sy = h - 1 - y;
                    break;
                case 5:  // transposed
                    sx = y;
                    sy = x;
                    break;
                case 6:  // stored lying on its left side: turned right to show
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:  // transverse
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                case 8:  // stored lying on its right side: turned left to show
                    sx = w - 1 - y;
                    sy = x;
                    break;
            }
            const std::uint32_t pixel = pixelAt(source, sx, sy);
            std::memcpy(out + static_cast<std::size_t>(x) * 4, &pixel, 4);
        }
    }
    return target;
}

}  // namespace qinghe::entry
