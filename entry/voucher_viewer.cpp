#include "entry/voucher_viewer.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "entry/image_codec.h"

namespace qinghe::entry {

namespace {

constexpr double kZoomOutStep = 0.9;
constexpr double kZoomInStep = 1.1;

// Draws a picture at a size on a second thread while it is being decoded:
// each target row as soon as the source rows it takes are there, so that
// opening costs little more than the decode.
class ScalingAlongside {
  public:
    explicit ScalingAlongside(Picture& target) : target_(target) {
        worker_ = std::thread([this] { run(); });
    }
    ~ScalingAlongside() { finish(); }
    ScalingAlongside(const ScalingAlongside&) = delete;
    ScalingAlongside& operator=(const ScalingAlongside&) = delete;

    // From the decoder: rows [0, rowsDone) of `source` are final. Another
    // source (or none: the decoder gave the picture up and is about to free
    // it) waits until the worker has let go of the old one.
    void decoded(PixelView source, int rowsDone) {
        {
            std::unique_lock lock(mutex_);
            if (source.data != source_.data) idle_.wait(lock, [&] { return !busy_; });
            source_ = source;
            rowsDone_ = rowsDone;
        }
        wake_.notify_one();
    }

    // Waits for the worker; true when every target row was drawn from the
    // last source told of, and that source was final.
    bool finish() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        wake_.notify_one();
        if (worker_.joinable()) worker_.join();
        return source_.data != nullptr && drawnFrom_.data == source_.data &&
               drawn_ == target_.height() && rowsDone_ == source_.size.height;
    }

  private:
    void run() {
        std::unique_ptr<PictureScaler> scaler;
        std::unique_lock lock(mutex_);
        for (;;) {
            const auto pending = [&] {
                return source_.data != drawnFrom_.data ||
                       (source_.data != nullptr && rowsDone_ > seen_);
            };
            wake_.wait(lock, [&] { return finished_ || pending(); });
            if (!pending()) return;  // finished, and every row told of is drawn
            const PixelView source = source_;
            const int rows = rowsDone_;
            busy_ = true;
            lock.unlock();
            if (source.data != drawnFrom_.data || !(source.size == drawnFrom_.size)) {
                // A new picture (a thumbnail given up on for the photo itself):
                // start over.
                scaler.reset();
                if (source.data != nullptr)
                    scaler = std::make_unique<PictureScaler>(source.size, target_.size());
                drawnFrom_ = source;
                drawn_ = 0;
                seen_ = 0;
            }
            if (scaler) {
                const int ready = scaler->targetRowsReady(rows);
                if (ready > drawn_) {
                    scaler->scaleRows(source, target_, drawn_, ready);
                    drawn_ = ready;
                }
            }
            lock.lock();
            seen_ = rows;
            busy_ = false;
            idle_.notify_one();
        }
    }

    Picture& target_;
    std::mutex mutex_;
    std::condition_variable wake_;  // the worker waits for rows
    std::condition_variable idle_;  // the decoder waits for the worker to let go
    PixelView source_;
    int rowsDone_ = 0;
    bool finished_ = false;
    bool busy_ = false;
    // The worker's own (read by finish() after the join).
    PixelView drawnFrom_;
    int drawn_ = 0;
    int seen_ = 0;
    std::thread worker_;
};

}  // namespace

VoucherViewer::VoucherViewer(std::string bytes, PixelSize panel)
    : bytes_(std::move(bytes)), panel_(panel) {
    const auto info = readImageInfo(bytes_);
    if (!info) return;
    imageSize_ = info->size;
    orientation_ = info->orientation;
    // Only as much as the first paint draws, drawn as it is decoded.
    const ViewerGeometry first = viewerGeometry(imageSize_, panel_, zoom_);
    if (first.buffer.isEmpty()) {
        auto decoded = decodeImageAsStored(bytes_, {1, 1});
        if (!decoded) {
            imageSize_ = {};
            return;
        }
        decoded_ = std::move(decoded->picture);
        show(first, Picture{}, zoom_);
        return;
    }
    auto stored = Picture::allocate(orientedSize(first.buffer, orientation_));
    if (!stored) {
        imageSize_ = {};
        return;
    }
    std::optional<StoredImage> decoded;
    bool drawn = false;
    {
        ScalingAlongside scaling(*stored);
        decoded = decodeImageAsStored(bytes_, first.buffer, [&](PixelView source, int rowsDone) {
            scaling.decoded(source, rowsDone);
        });
        drawn = scaling.finish();
    }
    if (!decoded) {
        imageSize_ = {};
        return;
    }
    decoded_ = std::move(decoded->picture);
    if (!drawn) {
        // Not drawn alongside (the decoder told too little): draw it now.
        PictureScaler(decoded_.size(), stored->size())
            .scaleRows(decoded_.view(), *stored, 0, stored->height());
    }
    auto back = orientPicture(std::move(*stored), orientation_);
    if (!back) {
        imageSize_ = {};
        return;
    }
    show(first, std::move(*back), zoom_);
}

bool VoucherViewer::ensureDecodedCovers(PixelSize size) {
    // In the stored orientation, as the decoded picture is kept.
    const PixelSize stored = orientedSize(size, orientation_);
    const PixelSize have = decoded_.size();
    if (have.width >= stored.width && have.height >= stored.height) return true;
    if (have == orientedSize(imageSize_, orientation_)) return true;  // whole: scaled up
    const PixelSize cover{std::min(size.width, imageSize_.width),
                          std::min(size.height, imageSize_.height)};
    auto decoded = decodeImageAsStored(bytes_, cover);
    if (!decoded) return false;
    decoded_ = std::move(decoded->picture);
    return true;
}

bool VoucherViewer::paint(double zoom) {
    const ViewerGeometry g = viewerGeometry(imageSize_, panel_, zoom);
    if (g.buffer.pixels() > kMaxBackBufferPixels || g.buffer.width > kMaxBackBufferSide ||
        g.buffer.height > kMaxBackBufferSide) {
        return false;
    }
    Picture back;
    if (!g.buffer.isEmpty()) {
        if (!ensureDecodedCovers(g.buffer)) return false;
        auto scaled = scalePicture(decoded_, orientedSize(g.buffer, orientation_));
        if (!scaled) return false;
        auto upright = orientPicture(std::move(*scaled), orientation_);
        if (!upright) return false;
        back = std::move(*upright);
    }
    show(g, std::move(back), zoom);
    return true;
}

void VoucherViewer::show(const ViewerGeometry& geometry, Picture back, double zoom) {
    back_ = std::move(back);
    zoom_ = zoom;
    geometry_ = geometry;
    horizontal_ = geometry.horizontal.visible ? geometry.horizontal.position : 0;
    vertical_ = geometry.vertical.visible ? geometry.vertical.position : 0;
}

bool VoucherViewer::wheel(int delta) {
    if (!hasPicture()) return false;
    if (delta > 0) {
        if (geometry_.buffer.isEmpty()) return false;  // nothing left to shrink
        return paint(zoom_ * kZoomOutStep);
    }
    return paint(zoom_ * kZoomInStep);
}

void VoucherViewer::scrollTo(int horizontal, int vertical) {
    horizontal_ =
        geometry_.horizontal.visible ? std::clamp(horizontal, 0, geometry_.horizontal.maximum) : 0;
    vertical_ =
        geometry_.vertical.visible ? std::clamp(vertical, 0, geometry_.vertical.maximum) : 0;
}

VoucherViewer::Copy VoucherViewer::copy() const {
    Copy c;
    if (back_.isEmpty()) return c;
    c.sourceX = horizontal_;
    c.sourceY = vertical_;
    c.targetX = geometry_.x;
    c.targetY = geometry_.y;
    c.size = {std::min(back_.width() - c.sourceX, panel_.width - c.targetX),
              std::min(back_.height() - c.sourceY, panel_.height - c.targetY)};
    return c;
}

}  // namespace qinghe::entry
