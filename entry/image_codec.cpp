#include "entry/image_codec.h"

#include <utility>

#include "entry/image_decoders.h"

namespace qinghe::entry {

namespace detail {

int reductionFactor(PixelSize stored, PixelSize cover, const int* factors, std::size_t count) {
    int factor = 1;
    if (!cover.isEmpty()) {
        for (std::size_t i = 0; i < count; ++i) {
            const PixelSize reduced = reducedSize(stored, factors[i]);
            if (reduced.width >= cover.width && reduced.height >= cover.height) factor = factors[i];
        }
    }
    // Past what a picture may hold: reduce further, along the list first.
    for (std::size_t i = 0; i < count && reducedSize(stored, factor).pixels() > kMaxPicturePixels;
         ++i) {
        if (factors[i] > factor) factor = factors[i];
    }
    while (reducedSize(stored, factor).pixels() > kMaxPicturePixels) ++factor;
    return factor;
}

}  // namespace detail

std::optional<ImageInfo> readImageInfo(std::string_view bytes) {
    switch (imageKind(bytes)) {
        case ImageKind::Jpeg:
            return detail::jpegInfo(bytes);
        case ImageKind::Png:
            return detail::pngInfo(bytes);
        case ImageKind::Bmp:
            return detail::bmpInfo(bytes);
        case ImageKind::Unknown:
            break;
    }
    return std::nullopt;
}

std::optional<StoredImage> decodeImageAsStored(std::string_view bytes, PixelSize cover) {
    switch (imageKind(bytes)) {
        case ImageKind::Jpeg:
            return detail::decodeJpeg(bytes, cover);
        case ImageKind::Png:
            return detail::decodePng(bytes, cover);
        case ImageKind::Bmp:
            return detail::decodeBmp(bytes, cover);
        case ImageKind::Unknown:
            break;
    }
    return std::nullopt;
}

std::optional<DecodedImage> decodeImage(std::string_view bytes, PixelSize cover) {
    auto stored = decodeImageAsStored(bytes, cover);
    if (!stored) return std::nullopt;
    auto upright = orientPicture(std::move(stored->picture), stored->orientation);
    if (!upright) return std::nullopt;
    return DecodedImage{stored->imageSize, std::move(*upright)};
}

std::optional<Picture> decodeImageFitted(std::string_view bytes, PixelSize box, bool enlarge) {
    const auto info = readImageInfo(bytes);
    if (!info) return std::nullopt;
    PixelSize fitted = fitInside(info->size, box);
    if (!enlarge && fitted.width > info->size.width) fitted = info->size;
    auto decoded = decodeImage(bytes, fitted);
    if (!decoded) return std::nullopt;
    if (decoded->picture.size() == fitted) return std::move(decoded->picture);
    return scalePicture(decoded->picture, fitted);
}

std::optional<std::string> encodeJpeg(const Picture& picture, int quality) {
    return detail::encodeJpeg(picture, quality);
}

}  // namespace qinghe::entry
