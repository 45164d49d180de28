// Hands arbitrary bytes to everything that reads a voucher: the image header,
// the decoder at several drawn sizes, the strip's fitted picture, the viewer
// with a zoom and a scroll, and the split of a stored value. Whatever the
// bytes, each must give a picture or none: no crash, no leak, no hang, and no
// more memory than the stated limits allow.
//
// What comes out is checked too: pictures are never larger than the image,
// reduced decodes still cover the size asked for, colours never exceed their
// alpha (premultiplied), and a split joins back to the value it came from.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "entry/image_codec.h"
#include "entry/picture.h"
#include "entry/voucher_list.h"
#include "entry/voucher_viewer.h"

namespace {

using namespace qinghe::entry;

[[noreturn]] void wrong(const char* what) {
    std::fprintf(stderr, "image_fuzzer: %s\n", what);
    std::abort();
}

void checkPixels(const Picture& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* p = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, p += 4) {
            if (p[0] > p[3] || p[1] > p[3] || p[2] > p[3]) wrong("a colour exceeds its alpha");
        }
    }
}

void checkDecode(std::string_view bytes, const std::optional<ImageInfo>& info, PixelSize cover) {
    const auto decoded = decodeImage(bytes, cover);
    if (!decoded) return;
    if (!info) wrong("decoded what has no sound header");
    if (!(decoded->imageSize == info->size)) wrong("decode and header disagree on the size");
    const PixelSize got = decoded->picture.size();
    if (got.width > info->size.width || got.height > info->size.height)
        wrong("a picture larger than its image");
    if (!cover.isEmpty() &&
        ((got.width < cover.width && got.width < info->size.width) ||
         (got.height < cover.height && got.height < info->size.height)) &&
        got.pixels() < kMaxPicturePixels / 4) {
        wrong("a reduced picture that does not cover what was asked");
    }
    checkPixels(decoded->picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto info = readImageInfo(bytes);
    if (info && (info->size.isEmpty() || info->size.pixels() > kMaxImagePixels))
        wrong("a header beyond the limits");
    checkDecode(bytes, info, {191, 83});
    checkDecode(bytes, info, {733, 550});
    // The whole picture only for small images: large ones are the viewer's
    // case above, and decoding them whole would only slow the search.
    if (info && info->size.pixels() <= 1024 * 1024) checkDecode(bytes, info, {});

    if (const auto fitted = decodeImageFitted(bytes, {191, 83})) {
        if (fitted->width() > 191 || fitted->height() > 83) wrong("a fitted picture too large");
        checkPixels(*fitted);
    }

    // The viewer opens, zooms in once and scrolls to the far corner; on a
    // panel an eighth of the real one, which takes the same paths for far
    // less scaling.
    if (info && info->size.pixels() <= 4 * 1024 * 1024) {
        VoucherViewer viewer{std::string(bytes), {kViewerPanel.width / 8, kViewerPanel.height / 8}};
        if (viewer.wheel(-120)) {
            viewer.scrollTo(1 << 30, 1 << 30);
            const VoucherViewer::Copy copy = viewer.copy();
            if (copy.sourceX + copy.size.width > viewer.backBuffer().width() ||
                copy.sourceY + copy.size.height > viewer.backBuffer().height())
                wrong("the copy reaches outside the back buffer");
        }
    }

    // The same bytes as a stored voucher value.
    const auto pieces = splitVoucherViews(bytes);
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) joined += kVoucherSeparator;
        joined += pieces[i];
    }
    // Only a separator at the very end may be lost (no empty last image).
    if (joined != bytes && std::string(joined) + std::string(kVoucherSeparator) != bytes)
        wrong("a split that does not join back");
    return 0;
}
