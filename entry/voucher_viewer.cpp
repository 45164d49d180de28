#include "entry/voucher_viewer.h"

#include <algorithm>
#include <utility>

#include "entry/image_codec.h"

namespace qinghe::entry {

namespace {

constexpr double kZoomOutStep = 0.9;
constexpr double kZoomInStep = 1.1;

}  // namespace

VoucherViewer::VoucherViewer(std::string bytes, PixelSize panel)
    : bytes_(std::move(bytes)), panel_(panel) {
    const auto info = readImageInfo(bytes_);
    if (!info) return;
    imageSize_ = info->size;
    orientation_ = info->orientation;
    // Only as much as the first paint draws.
    const ViewerGeometry first = viewerGeometry(imageSize_, panel_, zoom_);
    auto decoded =
        decodeImageAsStored(bytes_, first.buffer.isEmpty() ? PixelSize{1, 1} : first.buffer);
    if (!decoded) {
        imageSize_ = {};
        return;
    }
    decoded_ = std::move(decoded->picture);
    if (!paint(zoom_)) imageSize_ = {};
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
