#pragma once

#include <cstdint>
#include <string>

#include "entry/picture.h"
#include "entry/viewer_geometry.h"

namespace qinghe::entry {

// Zooming in stops before the back buffer would pass either limit (128 MiB,
// and a side as long as drawing coordinates safely reach).
inline constexpr std::int64_t kMaxBackBufferPixels = std::int64_t{32} * 1024 * 1024;
inline constexpr int kMaxBackBufferSide = 32767;

// What the viewer "查看凭证大图" holds while it is open: the image, the zoom,
// the back buffer with the picture drawn at its size, and the scroll
// positions. The window draws from it and hands it the wheel and the scroll
// bars; nothing here knows of a window.
class VoucherViewer {
  public:
    // Opens on a copy of an image's bytes: decodes them, as far reduced as
    // the panel allows at zoom 1.0, and paints. Bytes that are no picture
    // leave the viewer empty.
    explicit VoucherViewer(std::string bytes, PixelSize panel = kViewerPanel);

    bool hasPicture() const { return !imageSize_.isEmpty(); }
    PixelSize imageSize() const { return imageSize_; }
    PixelSize panel() const { return panel_; }
    double zoom() const { return zoom_; }
    const ViewerGeometry& geometry() const { return geometry_; }
    // The picture at the size of geometry().buffer; empty when that is.
    const Picture& backBuffer() const { return back_; }
    // The decoded picture the back buffer is drawn from (reduced as far as
    // the drawn size allows), upright.
    PixelSize decodedSize() const { return orientedSize(decoded_.size(), orientation_); }

    // The mouse wheel: a positive value zooms out (x 0.9), zero or a negative
    // one zooms in (x 1.1), and the picture is painted again. False when
    // nothing changed: no picture, a picture already shrunk to nothing, or a
    // back buffer that would pass its limits.
    bool wheel(int delta);

    // The scroll bars moved: positions of the visible bars, held within their
    // ranges (a hidden bar stays at 0). The back buffer is not redrawn.
    void scrollTo(int horizontal, int vertical);
    int horizontalPosition() const { return horizontal_; }
    int verticalPosition() const { return vertical_; }

    // What the panel shows: the back buffer from `source` copied onto the
    // panel at `target`, `size` large (cut at both edges).
    struct Copy {
        int sourceX = 0;
        int sourceY = 0;
        int targetX = 0;
        int targetY = 0;
        PixelSize size;
    };
    Copy copy() const;

  private:
    bool paint(double zoom);
    bool ensureDecodedCovers(PixelSize size);
    void show(const ViewerGeometry& geometry, Picture back, double zoom);

    std::string bytes_;
    PixelSize panel_;
    PixelSize imageSize_;
    int orientation_ = 1;
    Picture decoded_;  // as stored: turned upright only once drawn
    Picture back_;
    double zoom_ = 1.0;
    ViewerGeometry geometry_;
    int horizontal_ = 0;
    int vertical_ = 0;
};

}  // namespace qinghe::entry
