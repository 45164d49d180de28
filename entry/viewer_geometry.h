#pragma once

#include "entry/picture.h"

namespace qinghe::entry {

// The display panel of the viewer "查看凭证大图".
inline constexpr PixelSize kViewerPanel{776, 550};

struct ViewerScrollBar {
    bool visible = false;
    int maximum = 0;   // the range is 0 to maximum
    int position = 0;  // where it starts
    friend bool operator==(const ViewerScrollBar&, const ViewerScrollBar&) = default;
};

// Where the viewer draws a picture: every size, offset and scroll bar of one
// paint. Integer conversions truncate toward zero.
struct ViewerGeometry {
    PixelSize limited;  // the picture's size at the zoom, limited to the panel
    PixelSize buffer;   // the back buffer: `limited` with the zoom applied again
    int x = 0;          // where the back buffer lands on the panel
    int y = 0;
    // The panel's strips the picture leaves uncovered are cleared: `x` wide
    // at the left and at the right when clearSides, `y` high at the top and
    // at the bottom when clearTopAndBottom.
    bool clearSides = false;
    bool clearTopAndBottom = false;
    ViewerScrollBar horizontal;
    ViewerScrollBar vertical;
    friend bool operator==(const ViewerGeometry&, const ViewerGeometry&) = default;
};

// The paint of the viewer as a pure function of the picture's size, the
// panel's size and the zoom factor (> 0). The picture is first scaled by the
// zoom and limited to the panel, width first; the back buffer then applies the
// zoom a second time, so a zoomed picture outgrows the panel and scrolls.
// Sizes that would not fit an int are held at its largest value.
ViewerGeometry viewerGeometry(PixelSize picture, PixelSize panel, double zoom);

}  // namespace qinghe::entry
