#include "entry/viewer_geometry.h"

#include <limits>

namespace qinghe::entry {

namespace {

// Truncation toward zero, held within what an int can take.
int truncated(double value) {
    if (!(value > 0)) return 0;
    if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

// One axis of steps 5 and 6: the offset, whether the strips are cleared, and
// the scroll bar.
void place(int buffer, int panel, int& offset, bool& clear, ViewerScrollBar& bar) {
    offset = 0;
    clear = false;
    bar = {};
    if (buffer < panel) {
        offset = (panel - buffer) / 2;
        if (offset < 1)
            offset = 0;
        else
            clear = true;
    } else if (buffer > panel) {
        bar.visible = true;
        bar.maximum = buffer - panel;
        bar.position = bar.maximum / 2;
    }
}

}  // namespace

ViewerGeometry viewerGeometry(PixelSize picture, PixelSize panel, double zoom) {
    ViewerGeometry g;
    int w = truncated(picture.width * zoom);
    int h = truncated(picture.height * zoom);
    if (w > panel.width) {
        h = truncated(static_cast<double>(panel.width) / w * h);
        w = panel.width;
    }
    if (h > panel.height) {
        w = truncated(static_cast<double>(panel.height) / h * w);
        h = panel.height;
    }
    g.limited = {w, h};
    g.buffer = {truncated(w * zoom), truncated(h * zoom)};
    place(g.buffer.width, panel.width, g.x, g.clearSides, g.horizontal);
    place(g.buffer.height, panel.height, g.y, g.clearTopAndBottom, g.vertical);
    return g;
}

}  // namespace qinghe::entry
