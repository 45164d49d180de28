#include "entry/ui/picture_image.h"

#include <bit>
#include <cstdint>

namespace qinghe::ui {

// Blue, green, red, alpha in memory is ARGB32 only on a little-endian machine.
static_assert(std::endian::native == std::endian::little,
              "pictures are laid out as ARGB32_Premultiplied of a little-endian machine");

QImage toQImage(entry::Picture picture) {
    if (picture.isEmpty()) return {};
    const int width = picture.width();
    const int height = picture.height();
    const auto stride = static_cast<qsizetype>(picture.stride());
    std::uint8_t* pixels = picture.takePixels().release();
    return QImage(
        pixels, width, height, stride, QImage::Format_ARGB32_Premultiplied,
        [](void* buffer) { delete[] static_cast<std::uint8_t*>(buffer); }, pixels);
}

QImage imageOver(const entry::Picture& picture) {
    if (picture.isEmpty()) return {};
    return QImage(picture.data(), picture.width(), picture.height(),
                  static_cast<qsizetype>(picture.stride()), QImage::Format_ARGB32_Premultiplied);
}

}  // namespace qinghe::ui
