#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "entry/picture.h"

namespace qinghe::entry::detail {

// Takes an image's rows from top to bottom (four bytes a pixel, premultiplied)
// and writes the picture in which each `factor` x `factor` block is one pixel,
// the average of the block (blocks at the right and bottom edges may be
// smaller). Only one row of sums is kept, so a large image decodes into a
// small picture without ever being whole in memory.
class RowReducer {
  public:
    // `target` has the reduced size of sourceWidth x sourceHeight.
    RowReducer(Picture& target, int sourceWidth, int sourceHeight, int factor)
        : target_(target), width_(sourceWidth), height_(sourceHeight), factor_(factor) {
        if (factor_ > 1) sums_.assign(static_cast<std::size_t>(target.width()) * 4, 0);
    }

    void addRow(const std::uint8_t* row) {
        if (rowsIn_ >= height_) return;
        ++rowsIn_;
        if (factor_ == 1) {
            std::memcpy(target_.row(rowsIn_ - 1), row, target_.stride());
            return;
        }
        const int outWidth = target_.width();
        for (int ox = 0; ox < outWidth; ++ox) {
            const int first = ox * factor_;
            const int last = first + factor_ < width_ ? first + factor_ : width_;
            std::uint32_t* sum = sums_.data() + static_cast<std::size_t>(ox) * 4;
            for (const std::uint8_t* in = row + static_cast<std::size_t>(first) * 4;
                 in < row + static_cast<std::size_t>(last) * 4; in += 4) {
                sum[0] += in[0];
                sum[1] += in[1];
                sum[2] += in[2];
                sum[3] += in[3];
            }
        }
        ++bandRows_;
        if (bandRows_ == factor_ || rowsIn_ == height_) flush();
    }

    bool complete() const { return rowsIn_ == height_; }

  private:
    void flush() {
        std::uint8_t* out = target_.row(outRow_++);
        for (int ox = 0; ox < target_.width(); ++ox) {
            const int first = ox * factor_;
            const int columns = (first + factor_ < width_ ? factor_ : width_ - first);
            const std::uint32_t count = static_cast<std::uint32_t>(columns * bandRows_);
            std::uint32_t* sum = sums_.data() + static_cast<std::size_t>(ox) * 4;
            for (int c = 0; c < 4; ++c) {
                out[ox * 4 + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
                sum[c] = 0;
            }
        }
        bandRows_ = 0;
    }

    Picture& target_;
    int width_;
    int height_;
    int factor_;
    int rowsIn_ = 0;
    int bandRows_ = 0;
    int outRow_ = 0;
    std::vector<std::uint32_t> sums_;
};

// Premultiplies one row of blue, green, red, alpha in place.
inline void premultiplyRow(std::uint8_t* row, int width) {
    for (int x = 0; x < width; ++x, row += 4) {
        const unsigned alpha = row[3];
        if (alpha == 255) continue;
        row[0] = static_cast<std::uint8_t>((row[0] * alpha + 127) / 255);
        row[1] = static_cast<std::uint8_t>((row[1] * alpha + 127) / 255);
        row[2] = static_cast<std::uint8_t>((row[2] * alpha + 127) / 255);
    }
}

}  // namespace qinghe::entry::detail
