#include "entry/picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace qinghe::entry {

namespace {

// Which source pixels make up each target pixel along one axis, and how much.
// Weights are fixed point with `bits` fraction bits; each target pixel's
// weights add up to exactly one.
struct AxisTaps {
    std::vector<int> first;   // per target pixel: its first source pixel
    std::vector<int> count;   // per target pixel: how many follow
    std::vector<int> offset;  // per target pixel: where its weights start
    std::vector<std::uint32_t> weights;
    int most = 0;  // the largest count
};

AxisTaps makeTaps(int source, int target, int bits) {
    const std::uint32_t one = 1u << bits;
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
        taps.most = std::max(taps.most, taps.count[i]);
        double total = 0;
        for (double share : shares) total += share;
        std::uint32_t sum = 0;
        std::size_t largest = taps.weights.size();
        for (double share : shares) {
            const auto weight = static_cast<std::uint32_t>(std::lround(share / total * one));
            if (taps.weights.size() == largest || weight > taps.weights[largest])
                largest = taps.weights.size();
            taps.weights.push_back(weight);
            sum += weight;
        }
        // Rounding left the sum a little off one: the largest weight takes it.
        taps.weights[largest] += one - sum;
    }
    return taps;
}

// --- few taps: packed pixels -------------------------------------------------------
//
// When every target pixel takes at most four source pixels (shrinking to a
// third or more, or growing), weights of 7 bits are exact enough, and a 32-bit
// pixel is worked on two channels at a time: blue and red in the 16-bit
// halves of one word, green and alpha in another. A channel's weighted sum
// is at most 255 x 128, so the halves never spill into each other.

constexpr int kPackedBits = 7;
constexpr std::uint32_t kLow = 0x00FF00FF;
constexpr std::uint32_t kPackedHalf = 0x00400040;  // one half in each 16-bit lane

inline std::uint32_t loadPixel(const std::uint8_t* p) {
    std::uint32_t pixel;
    std::memcpy(&pixel, p, 4);
    return pixel;
}

inline std::uint32_t packedResult(std::uint32_t blueRed, std::uint32_t greenAlpha) {
    return ((blueRed >> kPackedBits) & kLow) | ((greenAlpha << (8 - kPackedBits)) & ~kLow);
}

// The taps of one axis with exactly `n` weights for every target pixel
// (unused ones zero), the window held inside the source, so that the loops
// below run a fixed count.
struct FixedTaps {
    int n = 0;
    std::vector<int> first;
    std::vector<std::uint32_t> weights;  // n per target pixel
};

FixedTaps fixTaps(const AxisTaps& taps, int source) {
    FixedTaps fixed;
    fixed.n = taps.most;
    const std::size_t count = taps.first.size();
    fixed.first.resize(count);
    fixed.weights.assign(count * static_cast<std::size_t>(fixed.n), 0);
    for (std::size_t i = 0; i < count; ++i) {
        const int first = std::max(0, std::min(taps.first[i], source - fixed.n));
        fixed.first[i] = first;
        for (int k = 0; k < taps.count[i]; ++k) {
            const int at = taps.first[i] + k - first;
            fixed.weights[i * static_cast<std::size_t>(fixed.n) + static_cast<std::size_t>(at)] =
                taps.weights[static_cast<std::size_t>(taps.offset[i] + k)];
        }
    }
    return fixed;
}

// One row scaled along its length.
template <int N>
void packedRow(const std::uint8_t* source, std::uint32_t* target, const FixedTaps& taps) {
    const std::size_t width = taps.first.size();
    const std::uint32_t* weight = taps.weights.data();
    for (std::size_t x = 0; x < width; ++x, weight += N) {
        const std::uint8_t* from = source + static_cast<std::size_t>(taps.first[x]) * 4;
        std::uint32_t blueRed = kPackedHalf, greenAlpha = kPackedHalf;
        for (int k = 0; k < N; ++k) {
            const std::uint32_t pixel = loadPixel(from + k * 4);
            blueRed += (pixel & kLow) * weight[k];
            greenAlpha += ((pixel >> 8) & kLow) * weight[k];
        }
        target[x] = packedResult(blueRed, greenAlpha);
    }
}

// A row from N source rows: each pixel the weighted sum of the pixels above
// one another. Worked on as 16-bit lanes (blue with green above it, red with
// alpha), which the vectoriser handles eight at a time.
template <int N>
void packedColumn(const std::uint8_t* const* rows, const std::uint32_t* weight, std::uint16_t* out,
                  std::size_t lanes) {
    const std::uint16_t* in[N];
    std::uint16_t w[N];
    for (int k = 0; k < N; ++k) {
        in[k] = reinterpret_cast<const std::uint16_t*>(rows[k]);
        w[k] = static_cast<std::uint16_t>(weight[k]);
    }
    for (std::size_t i = 0; i < lanes; ++i) {
        std::uint16_t low = 1 << (kPackedBits - 1), high = 1 << (kPackedBits - 1);
        for (int k = 0; k < N; ++k) {
            const std::uint16_t v = in[k][i];
            low = static_cast<std::uint16_t>(low + (v & 0xFF) * w[k]);
            high = static_cast<std::uint16_t>(high + (v >> 8) * w[k]);
        }
        out[i] = static_cast<std::uint16_t>((low >> kPackedBits) |
                                            ((high << (8 - kPackedBits)) & 0xFF00));
    }
}

// Down the columns first (the source rows a target row takes, combined into
// one), then along the row.
template <int Across, int Down>
void packedRows(const Picture& source, Picture& target, const FixedTaps& across,
                const FixedTaps& down) {
    const auto width = static_cast<std::size_t>(source.width());
    std::vector<std::uint16_t> combined(width * 2);
    const std::uint8_t* window[Down];
    for (int y = 0; y < target.height(); ++y) {
        for (int k = 0; k < Down; ++k)
            window[k] = source.row(down.first[static_cast<std::size_t>(y)] + k);
        const std::uint32_t* weight = down.weights.data() + static_cast<std::size_t>(y) * Down;
        const std::uint8_t* row = window[0];
        if (Down > 1 || weight[0] != (1u << kPackedBits)) {
            packedColumn<Down>(window, weight, combined.data(), width * 2);
            row = reinterpret_cast<const std::uint8_t*>(combined.data());
        }
        packedRow<Across>(row, reinterpret_cast<std::uint32_t*>(target.row(y)), across);
    }
}

using PackedRows = void (*)(const Picture&, Picture&, const FixedTaps&, const FixedTaps&);

template <int Across>
PackedRows packedRowsDown(int down) {
    switch (down) {
        case 1:
            return packedRows<Across, 1>;
        case 2:
            return packedRows<Across, 2>;
        case 3:
            return packedRows<Across, 3>;
        case 4:
            return packedRows<Across, 4>;
    }
    return nullptr;
}

// The packed loops for these tap counts; null when either is over four.
PackedRows packedRowsFor(int across, int down) {
    switch (across) {
        case 1:
            return packedRowsDown<1>(down);
        case 2:
            return packedRowsDown<2>(down);
        case 3:
            return packedRowsDown<3>(down);
        case 4:
            return packedRowsDown<4>(down);
    }
    return nullptr;
}

// --- many taps: each channel on its own ---------------------------------------------

constexpr int kWeightBits = 14;
constexpr std::uint32_t kHalf = 1u << (kWeightBits - 1);

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

// Down the columns into one row of sums, then along it.
void preciseRows(const Picture& source, Picture& target, const AxisTaps& across,
                 const AxisTaps& down) {
    const std::size_t rowBytes = static_cast<std::size_t>(source.width()) * 4;
    std::vector<std::uint32_t> sums(rowBytes);
    std::vector<std::uint8_t> combined(rowBytes);
    for (int y = 0; y < target.height(); ++y) {
        std::fill(sums.begin(), sums.end(), kHalf);
        const std::uint32_t* weight = down.weights.data() + down.offset[y];
        for (int k = 0; k < down.count[y]; ++k) {
            const std::uint8_t* row = source.row(down.first[y] + k);
            const std::uint32_t w = weight[k];
            for (std::size_t i = 0; i < rowBytes; ++i) sums[i] += w * row[i];
        }
        for (std::size_t i = 0; i < rowBytes; ++i)
            combined[i] = static_cast<std::uint8_t>(sums[i] >> kWeightBits);
        scaleRow(combined.data(), target.row(y), across);
    }
}

}  // namespace

std::optional<Picture> scalePicture(const Picture& source, PixelSize size) {
    if (source.isEmpty()) return std::nullopt;
    auto target = Picture::allocate(size);
    if (!target) return std::nullopt;
    if (source.size() == size) {
        std::memcpy(target->data(), source.data(), source.byteCount());
        return target;
    }
    const PixelSize from = source.size();
    const AxisTaps across = makeTaps(from.width, size.width, kPackedBits);
    const AxisTaps down = makeTaps(from.height, size.height, kPackedBits);
    if (const PackedRows packed = packedRowsFor(across.most, down.most)) {
        packed(source, *target, fixTaps(across, from.width), fixTaps(down, from.height));
    } else {
        preciseRows(source, *target, makeTaps(from.width, size.width, kWeightBits),
                    makeTaps(from.height, size.height, kWeightBits));
    }
    return target;
}

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
            std::uint32_t pixel;
            std::memcpy(&pixel, source.row(sy) + static_cast<std::size_t>(sx) * 4, 4);
            std::memcpy(out + static_cast<std::size_t>(x) * 4, &pixel, 4);
        }
    }
    return target;
}

}  // namespace qinghe::entry
