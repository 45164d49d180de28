#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry/image_codec.h"
#include "entry/viewer_geometry.h"
#include "entry/voucher_viewer.h"
#include "tests/support/sample_photo.h"

// The viewer "查看凭证大图": where a picture lands on the 776 x 550 panel at
// each zoom, and what the viewer holds while the wheel and the scroll bars
// move it.

namespace qinghe::entry {
namespace {

TEST(ViewerGeometryTest, PlacesThePictureAsThePaintDoes) {
    using Bar = ViewerScrollBar;
    struct Case {
        const char* what;
        PixelSize picture;
        double zoom;
        ViewerGeometry expected;
    };
    const std::vector<Case> cases = {
        {"small picture: its own size, centred",
         {400, 300},
         1.0,
         {{400, 300}, {400, 300}, 188, 125, true, true, {}, {}}},
        {"large picture: width limited first, then height",
         {1600, 1200},
         1.0,
         {{733, 550}, {733, 550}, 21, 0, true, false, {}, {}}},
        {"one wheel step in: the zoom applies twice, both bars show",
         {1600, 1200},
         1.1,
         {{733, 550}, {806, 605}, 0, 0, false, false, Bar{true, 30, 15}, Bar{true, 55, 27}}},
        {"small picture zoomed: 484 x 363",
         {400, 300},
         1.1,
         {{440, 330}, {484, 363}, 146, 93, true, true, {}, {}}},
        {"exactly the panel: no offsets, no bars",
         {776, 550},
         1.0,
         {{776, 550}, {776, 550}, 0, 0, false, false, {}, {}}},
        {"one pixel narrower: an offset under 1 is 0, nothing cleared",
         {775, 550},
         1.0,
         {{775, 550}, {775, 550}, 0, 0, false, false, {}, {}}},
        {"a tall picture: height limited",
         {300, 1100},
         1.0,
         {{150, 550}, {150, 550}, 313, 0, true, false, {}, {}}},
        {"one wheel step out",
         {400, 300},
         0.9,
         {{360, 270}, {324, 243}, 226, 153, true, true, {}, {}}},
        {"zoomed out to nothing",
         {400, 300},
         0.001,
         {{0, 0}, {0, 0}, 388, 275, true, true, {}, {}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ViewerGeometry g = viewerGeometry(c.picture, kViewerPanel, c.zoom);
        EXPECT_EQ(g.limited, c.expected.limited);
        EXPECT_EQ(g.buffer, c.expected.buffer);
        EXPECT_EQ(g.x, c.expected.x);
        EXPECT_EQ(g.y, c.expected.y);
        EXPECT_EQ(g.clearSides, c.expected.clearSides);
        EXPECT_EQ(g.clearTopAndBottom, c.expected.clearTopAndBottom);
        EXPECT_EQ(g.horizontal, c.expected.horizontal);
        EXPECT_EQ(g.vertical, c.expected.vertical);
    }
}

TEST(ViewerGeometryTest, HugeZoomsStayWithinAnInt) {
    const ViewerGeometry g = viewerGeometry({40000, 30000}, kViewerPanel, 1e12);
    EXPECT_GT(g.buffer.width, 0);
    EXPECT_GT(g.horizontal.maximum, 0);
}

class VoucherViewerTest : public ::testing::Test {
  protected:
    static const std::string& photo() {
        static const std::string bytes =
            encodeJpeg(testing::samplePhoto(1600, 1200, 4), 88).value();
        return bytes;
    }
};

TEST_F(VoucherViewerTest, OpensDecodingOnlyWhatThePanelShows) {
    VoucherViewer viewer(photo());
    ASSERT_TRUE(viewer.hasPicture());
    EXPECT_EQ(viewer.zoom(), 1.0);
    EXPECT_EQ(viewer.imageSize(), (PixelSize{1600, 1200}));
    EXPECT_EQ(viewer.decodedSize(), (PixelSize{800, 600}));  // 1/2 covers 733 x 550
    EXPECT_EQ(viewer.backBuffer().size(), (PixelSize{733, 550}));
    const VoucherViewer::Copy copy = viewer.copy();
    EXPECT_EQ(copy.targetX, 21);
    EXPECT_EQ(copy.targetY, 0);
    EXPECT_EQ(copy.size, (PixelSize{733, 550}));
}

TEST_F(VoucherViewerTest, TheWheelZoomsAndDecodesMoreOnlyWhenTheDrawnSizeNeedsIt) {
    VoucherViewer viewer(photo());
    // In: 806 x 605 is more than the half-size decode holds.
    ASSERT_TRUE(viewer.wheel(-120));
    EXPECT_DOUBLE_EQ(viewer.zoom(), 1.1);
    EXPECT_EQ(viewer.backBuffer().size(), (PixelSize{806, 605}));
    EXPECT_EQ(viewer.decodedSize(), (PixelSize{1600, 1200}));
    EXPECT_EQ(viewer.horizontalPosition(), 15);
    EXPECT_EQ(viewer.verticalPosition(), 27);
    // Out again: nothing more is decoded.
    ASSERT_TRUE(viewer.wheel(120));
    EXPECT_DOUBLE_EQ(viewer.zoom(), 1.1 * 0.9);
    EXPECT_EQ(viewer.horizontalPosition(), 0);
    EXPECT_EQ(viewer.decodedSize(), (PixelSize{1600, 1200}));
}

TEST_F(VoucherViewerTest, ScrollingMovesOnlyWithinTheBarsAndKeepsTheBackBuffer) {
    VoucherViewer viewer(photo());
    ASSERT_TRUE(viewer.wheel(0));  // zero counts as a step in
    ASSERT_TRUE(viewer.wheel(-1));
    const std::uint8_t* buffer = viewer.backBuffer().data();
    const ViewerGeometry g = viewer.geometry();
    ASSERT_TRUE(g.horizontal.visible && g.vertical.visible);
    viewer.scrollTo(-5, 100000);
    EXPECT_EQ(viewer.horizontalPosition(), 0);
    EXPECT_EQ(viewer.verticalPosition(), g.vertical.maximum);
    EXPECT_EQ(viewer.backBuffer().data(), buffer);
    const VoucherViewer::Copy copy = viewer.copy();
    EXPECT_EQ(copy.sourceY, g.vertical.maximum);
    EXPECT_EQ(copy.size, kViewerPanel);
}

TEST_F(VoucherViewerTest, ZoomStopsAtTheBackBufferLimitAndWhenNothingIsLeft) {
    VoucherViewer viewer(photo());
    int steps = 0;
    while (viewer.wheel(-120)) ++steps;
    EXPECT_GT(steps, 20);
    EXPECT_LE(viewer.geometry().buffer.pixels(), kMaxBackBufferPixels);
    const double largest = viewer.zoom();
    EXPECT_FALSE(viewer.wheel(-120));
    EXPECT_EQ(viewer.zoom(), largest);

    VoucherViewer shrinking(photo());
    steps = 0;
    while (shrinking.wheel(120) && steps < 10000) ++steps;
    EXPECT_LT(steps, 10000);
    EXPECT_TRUE(shrinking.geometry().buffer.isEmpty());
    EXPECT_TRUE(shrinking.backBuffer().isEmpty());
    EXPECT_GT(shrinking.zoom(), 0);
    EXPECT_TRUE(shrinking.wheel(-120));  // and it can come back
}

TEST_F(VoucherViewerTest, BytesThatAreNoPictureShowNothing) {
    for (const std::string& bytes :
         {std::string(), std::string("not a picture"), photo().substr(0, photo().size() / 3)}) {
        VoucherViewer viewer(bytes);
        EXPECT_FALSE(viewer.hasPicture());
        EXPECT_TRUE(viewer.backBuffer().isEmpty());
        EXPECT_FALSE(viewer.wheel(-120));
        EXPECT_EQ(viewer.copy().size, PixelSize{});
    }
}

}  // namespace
}  // namespace qinghe::entry
