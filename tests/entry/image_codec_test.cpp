#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "entry/exif.h"
#include "entry/image_codec.h"
#include "entry/picture.h"
#include "tests/support/image_files.h"
#include "tests/support/peak_memory.h"
#include "tests/support/sample_photo.h"

// The image codec: recognising, measuring and decoding whatever bytes a
// voucher holds, reduced as far as the drawing allows, and never more than
// "no picture" for bytes that are not a sound image.

namespace qinghe::entry {
namespace {

using testing::BmpOptions;
using testing::checkerboard;
using testing::PngOptions;
using testing::Rgba;

// The colour at (x, y) of a decoded picture, premultiplied: blue, green, red, alpha.
Rgba pixelAt(const Picture& picture, int x, int y) {
    const std::uint8_t* p = picture.row(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

// Checkerboard colours as a decoded picture holds them.
const Rgba kLight{240, 250, 250, 255};
const Rgba kDark{160, 60, 20, 255};

std::string jpegOf(int width, int height, int quality = 90) {
    return encodeJpeg(testing::samplePhoto(width, height), quality).value();
}

TEST(ImageCodecTest, RecognisesFormatsByContentAndReadsTheirSizeFromTheHeader) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<ImageInfo> info;
    };
    const std::vector<Case> cases = {
        {"JPEG", jpegOf(64, 48), ImageInfo{ImageKind::Jpeg, {64, 48}}},
        {"PNG", testing::pngBytes(13, 5, checkerboard()), ImageInfo{ImageKind::Png, {13, 5}}},
        {"bitmap", testing::bmpBytes(7, 3, checkerboard()), ImageInfo{ImageKind::Bmp, {7, 3}}},
        {"old bitmap header",
         testing::bmpBytes(7, 3, checkerboard(), {.bitCount = 8, .headerSize = 12}),
         ImageInfo{ImageKind::Bmp, {7, 3}}},
        {"JPEG turned by its Exif orientation",
         testing::withSegment(jpegOf(64, 48), testing::exifSegment(6)),
         ImageInfo{ImageKind::Jpeg, {48, 64}}},
        {"text", "a receipt, typed", std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto info = readImageInfo(c.bytes);
        ASSERT_EQ(info.has_value(), c.info.has_value());
        if (!info) continue;
        EXPECT_EQ(info->kind, c.info->kind);
        EXPECT_EQ(info->size, c.info->size);
        EXPECT_EQ(imageKind(c.bytes), c.info->kind);
    }
}

TEST(ImageCodecTest, DecodesEveryPngColourTypeAndBitmapDepthToTheSamePixels) {
    const int w = 12, h = 9;
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"PNG colour", testing::pngBytes(w, h, checkerboard())},
        {"PNG colour, 16 bits", testing::pngBytes(w, h, checkerboard(), {.bitDepth = 16})},
        {"PNG palette",
         testing::pngBytes(w, h, checkerboard(), {.colorType = PNG_COLOR_TYPE_PALETTE})},
        {"PNG interlaced", testing::pngBytes(w, h, checkerboard(), {.interlaced = true})},
        {"bitmap 24 bits", testing::bmpBytes(w, h, checkerboard())},
        {"bitmap 32 bits", testing::bmpBytes(w, h, checkerboard(), {.bitCount = 32})},
        {"bitmap 8 bits", testing::bmpBytes(w, h, checkerboard(), {.bitCount = 8})},
        {"bitmap 4 bits", testing::bmpBytes(w, h, checkerboard(), {.bitCount = 4})},
        {"bitmap 1 bit", testing::bmpBytes(w, h, checkerboard(), {.bitCount = 1})},
        {"bitmap top-down", testing::bmpBytes(w, h, checkerboard(), {.topDown = true})},
        {"bitmap run-length",
         testing::bmpBytes(w, h, checkerboard(), {.bitCount = 8, .runLength = true})},
        {"bitmap old header",
         testing::bmpBytes(w, h, checkerboard(), {.bitCount = 8, .headerSize = 12})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = decodeImage(c.bytes);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->picture.size(), (PixelSize{w, h}));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(pixelAt(decoded->picture, x, y), ((x / 4 + y / 4) % 2 ? kLight : kDark))
                    << x << "," << y;
            }
        }
    }
}

TEST(ImageCodecTest, TransparencyIsPremultiplied) {
    for (int type : {PNG_COLOR_TYPE_RGB_ALPHA, PNG_COLOR_TYPE_PALETTE}) {
        SCOPED_TRACE(type);
        const auto decoded =
            decodeImage(testing::pngBytes(8, 8, checkerboard(true), {.colorType = type}));
        ASSERT_TRUE(decoded);
        // 200, 40, 40 at alpha 128.
        EXPECT_EQ(pixelAt(decoded->picture, 0, 0), (Rgba{20, 20, 100, 128}));
        EXPECT_EQ(pixelAt(decoded->picture, 5, 0), kLight);
    }
    const auto gray = decodeImage(testing::pngBytes(4, 4,
                                                    [](int, int) {
                                                        return Rgba{0, 100, 0, 51};
                                                    },
                                                    {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA}));
    ASSERT_TRUE(gray);
    EXPECT_EQ(pixelAt(gray->picture, 3, 3), (Rgba{20, 20, 20, 51}));
}

TEST(ImageCodecTest, DecodesNoLargerThanTheDrawingNeeds) {
    const std::string photo = jpegOf(1600, 1200);
    const std::string png = testing::pngBytes(1600, 1200, checkerboard());
    const std::string bmp = testing::bmpBytes(1600, 1200, checkerboard());
    struct Case {
        const char* what;
        const std::string& bytes;
        PixelSize cover;
        PixelSize decoded;
    };
    const std::vector<Case> cases = {
        {"JPEG whole", photo, {}, {1600, 1200}},
        {"JPEG for the viewer's panel: 1/2", photo, {733, 550}, {800, 600}},
        {"JPEG for a strip: 1/8", photo, {110, 83}, {200, 150}},
        {"JPEG larger than the image: whole", photo, {3000, 2000}, {1600, 1200}},
        {"JPEG one side just over 1/4", photo, {401, 10}, {800, 600}},
        {"PNG for a strip: blocks of 14", png, {110, 83}, {115, 86}},
        {"PNG whole", png, {}, {1600, 1200}},
        {"bitmap for the panel: blocks of 2", bmp, {733, 550}, {800, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoded = decodeImage(c.bytes, c.cover);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->imageSize, (PixelSize{1600, 1200}));
        EXPECT_EQ(decoded->picture.size(), c.decoded);
    }
    // A reduced PNG averages its blocks: the 4 x 4 squares of two colours
    // become their mean once the blocks are as large.
    const auto reduced = decodeImage(png, {200, 150});
    ASSERT_TRUE(reduced);
    ASSERT_EQ(reduced->picture.size(), (PixelSize{200, 150}));
    EXPECT_EQ(pixelAt(reduced->picture, 50, 50), (Rgba{200, 155, 135, 255}));
}

TEST(ImageCodecTest, FittedPicturesKeepTheirShape) {
    struct Case {
        PixelSize image;
        PixelSize fitted;
    };
    for (const Case& c : {Case{{4000, 3000}, {111, 83}}, Case{{3000, 4000}, {62, 83}},
                          Case{{1000, 100}, {191, 19}}, Case{{40, 20}, {166, 83}}}) {
        SCOPED_TRACE(c.image.width);
        EXPECT_EQ(fitInside(c.image, {191, 83}), c.fitted);
    }
    const auto picture = decodeImageFitted(jpegOf(400, 300), {191, 83});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), (PixelSize{111, 83}));
    const auto small = decodeImageFitted(jpegOf(40, 20), {191, 83}, false);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->size(), (PixelSize{40, 20}));
}

TEST(ImageCodecTest, ExifOrientationTurnsThePictureUpright) {
    // A 3 x 2 picture with a different colour in every pixel; each
    // orientation must bring the stored top-left pixel to its place.
    Picture stored = Picture::allocate({3, 2}).value();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            std::uint8_t* p = stored.row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = 0;
            p[3] = 255;
        }
    struct Case {
        int orientation;
        PixelSize size;
        // Where stored (0,0) and stored (2,0) show.
        int firstX, firstY, lastX, lastY;
    };
    const std::vector<Case> cases = {
        {1, {3, 2}, 0, 0, 2, 0}, {2, {3, 2}, 2, 0, 0, 0}, {3, {3, 2}, 2, 1, 0, 1},
        {4, {3, 2}, 0, 1, 2, 1}, {5, {2, 3}, 0, 0, 0, 2}, {6, {2, 3}, 1, 0, 1, 2},
        {7, {2, 3}, 1, 2, 1, 0}, {8, {2, 3}, 0, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        Picture copy = Picture::allocate({3, 2}).value();
        std::copy(stored.data(), stored.data() + stored.byteCount(), copy.data());
        const auto upright = orientPicture(std::move(copy), c.orientation);
        ASSERT_TRUE(upright);
        ASSERT_EQ(upright->size(), c.size);
        EXPECT_EQ(pixelAt(*upright, c.firstX, c.firstY), (Rgba{0, 0, 0, 255}));
        EXPECT_EQ(pixelAt(*upright, c.lastX, c.lastY), (Rgba{2, 0, 0, 255}));
    }
}

TEST(ImageCodecTest, APhonePhotoShowsUprightAndFromItsThumbnailInASmallBox) {
    // Stored dark on the left, light on the right, and turned right to show
    // (orientation 6): upright the dark half is at the top.
    Picture photo = Picture::allocate({1200, 900}).value();
    for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 1200; ++x) {
            std::uint8_t* p = photo.row(y) + x * 4;
            p[0] = p[1] = p[2] = x < 600 ? 30 : 220;
            p[3] = 255;
        }
    const std::string bytes = testing::phoneJpeg(photo, 90, 6);
    const auto info = readImageInfo(bytes);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->size, (PixelSize{900, 1200}));
    // The strip's box is covered by the 160 x 120 thumbnail.
    const auto strip = decodeImage(bytes, fitInside(info->size, {191, 83}));
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->imageSize, (PixelSize{900, 1200}));
    EXPECT_EQ(strip->picture.size(), (PixelSize{120, 160}));
    // The viewer's panel is not: the photo itself, at 1/2.
    const auto panel = decodeImage(bytes, {412, 550});
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->picture.size(), (PixelSize{450, 600}));
    for (const Picture* p : {&strip->picture, &panel->picture}) {
        SCOPED_TRACE(p->width());
        EXPECT_LT(pixelAt(*p, p->width() / 2, p->height() / 4)[1], 60);
        EXPECT_GT(pixelAt(*p, p->width() / 2, p->height() * 3 / 4)[1], 190);
    }
}

TEST(ImageCodecTest, AThumbnailOfAnotherShapeIsNotUsed) {
    // A 16:9 photo whose camera wrote a 4:3 thumbnail.
    const std::string photo = jpegOf(1600, 900);
    const std::string thumbnail = jpegOf(160, 120, 70);
    const std::string bytes = testing::withSegment(photo, testing::exifSegment(1, thumbnail));
    const auto decoded = decodeImage(bytes, {100, 56});
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->picture.size(), (PixelSize{200, 113}));  // 1/8 of the photo
}

TEST(ImageCodecTest, ExifBlocksThatDoNotHoldTogetherGiveTheDefaults) {
    const std::string good = testing::exifSegment(8, "\xFF\xD8\xFF thumbnail").substr(4);
    ASSERT_EQ(readExif(good).orientation, 8);
    ASSERT_EQ(readExif(good).thumbnail.substr(0, 3), "\xFF\xD8\xFF");
    std::vector<std::string> bad = {"", "Exif", std::string("Exif\0\0", 6) + "XX*\0",
                                    good.substr(0, 20)};
    std::string outside = good;
    outside[6 + 4] = '\x7F';  // first directory far past the end
    bad.push_back(outside);
    std::string wrongType = good;
    wrongType[6 + 8 + 2 + 2] = 4;  // orientation as a LONG
    bad.push_back(wrongType);
    for (const std::string& app1 : bad) {
        SCOPED_TRACE(app1.size());
        const ExifFacts facts = readExif(app1);
        EXPECT_EQ(facts.orientation, 1);
    }
    std::string longThumbnail = good;
    longThumbnail[6 + 26 + 2 + 2 * 12 + 8] = '\x7F';  // thumbnail length past the end
    EXPECT_TRUE(readExif(longThumbnail).thumbnail.empty());
}

// Bytes that are no sound image: each gives no picture, quickly, without
// holding more memory than a small picture.
TEST(ImageCodecTest, DamagedInputsGiveNoPictureWithMemoryBounded) {
    const std::string jpeg = jpegOf(640, 480);
    const std::string png = testing::pngBytes(64, 64, checkerboard());
    const std::string bmp = testing::bmpBytes(64, 64, checkerboard());
    auto patched = [](std::string bytes, std::size_t at, std::string with) {
        bytes.replace(at, with.size(), with);
        return bytes;
    };
    auto le32 = [](std::uint32_t v) {
        std::string s;
        testing::putLe(s, v, 4);
        return s;
    };
    // A PNG whose header claims another size (its checksum made right).
    auto pngClaiming = [](std::uint32_t width, std::uint32_t height) {
        std::string bytes = testing::pngBytes(1, 1, checkerboard());
        std::string size;
        for (std::uint32_t v : {width, height})
            for (int shift : {24, 16, 8, 0}) size += static_cast<char>(v >> shift & 0xFF);
        bytes.replace(16, 8, size);
        const auto crc = static_cast<std::uint32_t>(
            ::crc32(0, reinterpret_cast<const unsigned char*>(bytes.data() + 12), 17));
        bytes.replace(29, 4,
                      std::string{static_cast<char>(crc >> 24), static_cast<char>(crc >> 16),
                                  static_cast<char>(crc >> 8), static_cast<char>(crc)});
        return bytes;
    };
    const std::string huge = pngClaiming(100000, 100000);
    std::mt19937 random(12);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());

    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"zero bytes", ""},
        {"random bytes", noise},
        {"random bytes after a JPEG start", "\xFF\xD8\xFF" + noise},
        {"random bytes after a PNG signature", png.substr(0, 8) + noise},
        {"JPEG cut after its header", jpeg.substr(0, 700)},
        {"JPEG cut in the middle", jpeg.substr(0, jpeg.size() / 2)},
        {"JPEG cut a little before its end", jpeg.substr(0, jpeg.size() - 200)},
        {"PNG cut in its data", png.substr(0, png.size() - 30)},
        {"PNG cut in its header", png.substr(0, 20)},
        {"PNG with a broken header checksum", patched(png, 29, std::string(4, '\0'))},
        {"PNG claiming 100,000 x 100,000", huge},
        {"PNG claiming 5,000 x 5,000 in a few bytes", pngClaiming(5000, 5000)},
        {"bitmap with a negative width", patched(bmp, 18, le32(static_cast<std::uint32_t>(-64)))},
        {"bitmap with the smallest height", patched(bmp, 22, le32(0x80000000u))},
        {"bitmap claiming 60,000 x 60,000",
         patched(patched(bmp, 18, le32(60000)), 22, le32(60000))},
        {"bitmap with its pixels cut", bmp.substr(0, bmp.size() - 100)},
        {"bitmap with its data offset past the end", patched(bmp, 10, le32(1u << 30))},
        {"bitmap with an unknown header size", patched(bmp, 14, le32(41))},
        {"bitmap of 0 bits a pixel", patched(bmp, 28, std::string("\x00\x00", 2))},
        {"bitmap compressed as a JPEG", patched(bmp, 30, le32(4))},
        {"run-length bitmap claiming 8,000 x 8,000 in a few codes",
         patched(
             patched(testing::bmpBytes(4, 4, checkerboard(), {.bitCount = 8, .runLength = true}),
                     18, le32(8000)),
             22, le32(8000))},
        {"run-length bitmap without its end",
         testing::bmpBytes(64, 64, checkerboard(), {.bitCount = 8, .runLength = true})
             .substr(0, 500)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto peak = testing::peakMemoryAbove([&] {
            return !decodeImage(c.bytes) && !decodeImage(c.bytes, {191, 83}) &&
                   !decodeImageFitted(c.bytes, {191, 83});
        });
        ASSERT_TRUE(peak) << "a picture, or the decoder died";
        if (testing::kMemoryBoundsHold) {
            EXPECT_LT(*peak, 16 * 1024 * 1024);
        }
    }
    // The header alone refuses what claims too much.
    EXPECT_FALSE(readImageInfo(huge));
}

TEST(ImageCodecTest, AJpegMissingOnlyItsEndMarkerStillShows) {
    const std::string jpeg = jpegOf(640, 480);
    ASSERT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    for (PixelSize cover : {PixelSize{}, PixelSize{160, 120}}) {
        const auto decoded = decodeImage(jpeg.substr(0, jpeg.size() - 2), cover);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->imageSize, (PixelSize{640, 480}));
    }
}

TEST(ImageCodecTest, EncodedJpegDecodesToThePictureLaidOnWhite) {
    Picture picture = Picture::allocate({32, 16}).value();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            std::uint8_t* p = picture.row(y) + x * 4;
            // Left half opaque dark blue; right half fully transparent.
            const bool left = x < 16;
            p[0] = left ? 120 : 0;
            p[1] = left ? 30 : 0;
            p[2] = left ? 10 : 0;
            p[3] = left ? 255 : 0;
        }
    const auto bytes = encodeJpeg(picture, 95);
    ASSERT_TRUE(bytes);
    const auto decoded = decodeImage(*bytes);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->picture.size(), (PixelSize{32, 16}));
    const Rgba blue = pixelAt(decoded->picture, 4, 8);
    const Rgba white = pixelAt(decoded->picture, 28, 8);
    EXPECT_NEAR(blue[0], 120, 6);
    EXPECT_NEAR(blue[2], 10, 6);
    EXPECT_GT(white[0], 248);
    EXPECT_GT(white[2], 248);
    EXPECT_FALSE(encodeJpeg(Picture{}, 90));
}

TEST(ImageCodecTest, ScalingAveragesWhenShrinkingAndKeepsColoursWhenGrowing) {
    Picture source = Picture::allocate({4, 2}).value();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = source.row(y) + x * 4;
            const std::uint8_t v = x < 2 ? 0 : 200;
            p[0] = p[1] = p[2] = v;
            p[3] = 255;
        }
    const auto halved = scalePicture(source, {2, 1});
    ASSERT_TRUE(halved);
    EXPECT_EQ(pixelAt(*halved, 0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*halved, 1, 0), (Rgba{200, 200, 200, 255}));
    const auto third = scalePicture(source, {3, 2});  // each target pixel 4/3 wide
    ASSERT_TRUE(third);
    EXPECT_EQ(pixelAt(*third, 1, 1), (Rgba{100, 100, 100, 255}));
    const auto grown = scalePicture(source, {8, 4});
    ASSERT_TRUE(grown);
    EXPECT_EQ(pixelAt(*grown, 0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(pixelAt(*grown, 7, 3), (Rgba{200, 200, 200, 255}));
    EXPECT_EQ(pixelAt(*grown, 4, 2), (Rgba{150, 150, 150, 255}));
    EXPECT_FALSE(scalePicture(source, {0, 5}));
    EXPECT_FALSE(scalePicture(source, {100000, 100000}));
}

}  // namespace
}  // namespace qinghe::entry
