#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry/image_codec.h"
#include "entry/voucher_list.h"
#include "tests/support/image_files.h"
#include "tests/support/sample_photo.h"

// The stored form of a voucher list: joined with "|||", split back byte for
// byte, and images holding "|||" themselves kept whole.

namespace qinghe::entry {
namespace {

using testing::checkerboard;

std::string jpeg() {
    return encodeJpeg(testing::samplePhoto(48, 36), 80).value();
}
std::string png() {
    return testing::pngBytes(9, 7, checkerboard());
}
std::string bmp() {
    return testing::bmpBytes(5, 3, checkerboard());
}
// A JPEG whose comment holds the separator, as a photo's text or thumbnail
// data may.
std::string jpegWithBars() {
    const std::string comment = "receipt ||| 2015 |||| shop";
    std::string segment = "\xFF\xFE";
    segment += static_cast<char>((comment.size() + 2) >> 8);
    segment += static_cast<char>((comment.size() + 2) & 0xFF);
    return testing::withSegment(jpeg(), segment + comment);
}

TEST(VoucherListTest, JoinPutsTheSeparatorOnlyBetweenNeighbours) {
    EXPECT_EQ(joinVouchers({}), "");
    EXPECT_EQ(joinVouchers({"A"}), "A");
    EXPECT_EQ(joinVouchers({"A", "B"}), "A|||B");
    EXPECT_EQ(joinVouchers({"A", "", "C"}), "A||||||C");
}

TEST(VoucherListTest, SplitReadsStoredValuesBackByteForByte) {
    const std::string j = jpeg(), p = png(), b = bmp(), bars = jpegWithBars();
    ASSERT_NE(bars.find("|||"), std::string::npos);
    struct Case {
        const char* what;
        std::string value;
        VoucherList pieces;
    };
    const std::vector<Case> cases = {
        {"empty: no image", "", {}},
        {"one image", j, {j}},
        {"two images", j + "|||" + p, {j, p}},
        {"every kind", b + "|||" + j + "|||" + p, {b, j, p}},
        {"an image holding the separator, between two others",
         p + "|||" + bars + "|||" + b,
         {p, bars, b}},
        {"an image holding the separator, alone", bars, {bars}},
        {"an image holding the separator, last", j + "|||" + bars, {j, bars}},
        {"a separator followed by a bar before the image", j + "||||" + p, {j + "|", p}},
        {"plain bytes first, then an image", "notes|||" + j, {"notes", j}},
        {"\"BM\" without a bitmap header is not cut at",
         j + "|||BM and more",
         {j + "|||BM and more"}},
        {"an image ending with the separator keeps it", j + "|||", {j + "|||"}},
        // Only an image start is cut at: bytes that are no image stay with
        // the image before them (they show nothing either way).
        {"plain bytes after an image", j + "|||note|||" + p, {j + "|||note", p}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(splitVouchers(c.value), c.pieces);
        EXPECT_EQ(joinVouchers(splitVouchers(c.value)), c.value);
    }
}

TEST(VoucherListTest, ValuesWithoutImagesSplitAtEverySeparatorAsBefore) {
    struct Case {
        std::string value;
        VoucherList pieces;
    };
    const std::vector<Case> cases = {
        {"abc", {"abc"}},
        {"abc|||def", {"abc", "def"}},
        {"abc|||", {"abc"}},  // no empty last image
        {"abc||||||", {"abc", ""}},
        {"|||abc", {"", "abc"}},
        {"a||||b", {"a", "|b"}},
        {"||||||", {"", ""}},
        {"|||", {""}},
        {"||", {"||"}},
        {"BM|||PNG|||\xFF\xD8", {"BM", "PNG", "\xFF\xD8"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(splitVouchers(c.value), c.pieces);
    }
}

TEST(VoucherListTest, SplitFindsSeparatorsAtEveryOffsetOfALongValue) {
    // Separators at every position relative to the sixteen-byte steps of the
    // scan, in a value long enough to take the fast path.
    for (std::size_t offset = 0; offset < 40; ++offset) {
        SCOPED_TRACE(offset);
        const std::string a(offset, 'a');
        const std::string b(70 - offset % 7, 'b');
        const std::string c(offset % 5, 'c');
        const VoucherList pieces = c.empty() ? VoucherList{a, b} : VoucherList{a, b, c};
        EXPECT_EQ(splitVouchers(a + "|||" + b + "|||" + c), pieces);
        const std::string noSeparator = a + "|" + b + "||" + c;
        EXPECT_EQ(splitVouchers(noSeparator), (VoucherList{noSeparator}));
    }
}

TEST(VoucherListTest, ViewsPointIntoTheValueWithoutCopying) {
    const std::string j = jpeg(), p = png();
    const std::string value = j + "|||" + p;
    const auto views = splitVoucherViews(value);
    ASSERT_EQ(views.size(), 2u);
    EXPECT_EQ(views[0].data(), value.data());
    EXPECT_EQ(views[1].data(), value.data() + j.size() + 3);
    EXPECT_EQ(views[1], p);
}

}  // namespace
}  // namespace qinghe::entry
