#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "entry/image_kind.h"
#include "entry/picture.h"

namespace qinghe::entry {

// Images that claim more pixels than this (256 megapixels) are refused as
// they are recognised, before anything is allocated for them.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{256} * 1024 * 1024;

// A recognised image's format and the size it shows at (a JPEG turned as its
// Exif orientation says), from its header alone.
struct ImageInfo {
    ImageKind kind = ImageKind::Unknown;
    PixelSize size;
    int orientation = 1;  // how the stored pixels are turned (Exif; 1 as stored)
};

// Nothing for bytes that are not a JPEG, PNG or bitmap with a sound header,
// or that claim more than kMaxImagePixels.
std::optional<ImageInfo> readImageInfo(std::string_view bytes);

struct DecodedImage {
    PixelSize imageSize;  // the whole image, as readImageInfo gives it
    Picture picture;      // at imageSize, or smaller as the decode allowed
};

// Decodes any bytes: a JPEG, PNG or bitmap gives its picture; anything else,
// a damaged or truncated image, or one too large, gives nothing. Never more
// memory than the picture, the decoder's own bounded working memory and a few
// rows.
//
// `cover` is the size the picture will be drawn at. The picture is decoded
// reduced as far as it still covers that size (JPEG by scaling inside the
// decoder to 1/2, 1/4 or 1/8, or from its Exif thumbnail when that is large
// enough; PNG and bitmaps by averaging whole blocks of pixels as the rows are
// read), never larger than the image itself. An empty `cover` asks for the
// whole image; one larger than kMaxPicturePixels is reduced all the same.
std::optional<DecodedImage> decodeImage(std::string_view bytes, PixelSize cover = {});

// The same picture as it is stored, not yet turned upright: the viewer keeps
// it so, and turns only what it draws.
struct StoredImage {
    PixelSize imageSize;  // as readImageInfo gives it (upright)
    int orientation = 1;  // as orientPicture takes it
    Picture picture;      // as stored
};

// decodeImage without the turn; `cover` is upright.
std::optional<StoredImage> decodeImageAsStored(std::string_view bytes, PixelSize cover);

// Decodes the picture and scales it to the largest size that fits inside
// `box` keeping its shape (never larger than the image itself when
// `enlarge` is false). Nothing when the bytes are not a picture.
std::optional<Picture> decodeImageFitted(std::string_view bytes, PixelSize box,
                                         bool enlarge = true);

// A picture as JPEG file bytes (baseline, 4:2:0), transparent parts laid on
// white. Nothing when the encoder fails.
std::optional<std::string> encodeJpeg(const Picture& picture, int quality = 90);

}  // namespace qinghe::entry
