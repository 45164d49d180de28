// PNG through libpng. As with libjpeg, a fatal error longjmps back to the
// setjmp of the function that called libpng; those functions keep only plain
// locals, and the C++ objects they use live in their callers.

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "entry/image_decoders.h"
#include "entry/row_reducer.h"

namespace qinghe::entry::detail {

namespace {

// What an ancillary chunk (text, colour profile) may take, and how many of
// them are kept: enough for any real file, bounded for a hostile one.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;
constexpr png_uint_32 kMaxCachedChunks = 256;
// Deflate expands its input at most about 1032 times: a file shorter than its
// image data over that cannot hold its image, and is refused before any
// picture is allocated for it.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct MemorySource {
    std::string_view bytes;
    std::size_t position = 0;
};

void readFromMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->position) png_error(png, "truncated");
    std::memcpy(data, source->bytes.data() + source->position, length);
    source->position += length;
}

class PngReader {
  public:
    explicit PngReader(std::string_view bytes) : source_{bytes} {}
    ~PngReader() {
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Reads the chunks up to the image data.
    bool readHeader() {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
        if (!png_) return false;
        info_ = png_create_info_struct(png_);
        if (!info_) return false;
        if (setjmp(png_jmpbuf(png_))) return false;
        png_set_user_limits(png_, PNG_USER_WIDTH_MAX, PNG_USER_HEIGHT_MAX);
        png_set_chunk_malloc_max(png_, kMaxChunkBytes);
        png_set_chunk_cache_max(png_, kMaxCachedChunks);
        png_set_read_fn(png_, &source_, readFromMemory);
        png_read_info(png_, info_);
        size_ = {static_cast<int>(png_get_image_width(png_, info_)),
                 static_cast<int>(png_get_image_height(png_, info_))};
        interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
        rawBytes_ =
            std::uint64_t{png_get_rowbytes(png_, info_) + 1} * png_get_image_height(png_, info_);
        return true;
    }

    PixelSize size() const { return size_; }
    bool interlaced() const { return interlaced_; }
    // Whether the file is long enough for its image data, compressed.
    bool couldHoldImage() const {
        return rawBytes_ <= kMaxDeflateRatio * std::uint64_t{source_.bytes.size()};
    }

    // Asks libpng for rows of eight-bit blue, green, red, alpha.
    bool prepare() {
        if (setjmp(png_jmpbuf(png_))) return false;
        const png_byte type = png_get_color_type(png_, info_);
        png_set_expand(png_);  // palette to colour, low bit depths to 8, tRNS to alpha
        png_set_scale_16(png_);
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png_);
        png_set_bgr(png_);
        if (!(type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png_, info_, PNG_INFO_tRNS))
            png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
        passes_ = png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        return png_get_rowbytes(png_, info_) == static_cast<std::size_t>(size_.width) * 4;
    }

    // Reads the rows of a non-interlaced image one by one into `row`, each
    // handed to `reducer`.
    bool readRows(std::uint8_t* row, RowReducer& reducer) {
        if (setjmp(png_jmpbuf(png_))) return false;
        for (int y = 0; y < size_.height; ++y) {
            png_read_row(png_, row, nullptr);
            premultiplyRow(row, size_.width);
            reducer.addRow(row);
        }
        return true;
    }

    // Reads every pass of an interlaced image into `whole`, which has the
    // image's size.
    bool readAllPasses(Picture& whole) {
        if (setjmp(png_jmpbuf(png_))) return false;
        for (int pass = 0; pass < passes_; ++pass) {
            for (int y = 0; y < size_.height; ++y) png_read_row(png_, whole.row(y), nullptr);
        }
        return true;
    }

  private:
    MemorySource source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PixelSize size_;
    bool interlaced_ = false;
    std::uint64_t rawBytes_ = 0;  // the filtered rows, uncompressed
    int passes_ = 1;
};

std::optional<PixelSize> checkedSize(const PngReader& reader) {
    const PixelSize size = reader.size();
    if (size.isEmpty() || size.pixels() > kMaxImagePixels) return std::nullopt;
    return size;
}

}  // namespace

std::optional<ImageInfo> pngInfo(std::string_view bytes) {
    PngReader reader(bytes);
    if (!reader.readHeader()) return std::nullopt;
    const auto size = checkedSize(reader);
    if (!size) return std::nullopt;
    return ImageInfo{ImageKind::Png, *size, 1};
}

std::optional<StoredImage> decodePng(std::string_view bytes, PixelSize cover) {
    PngReader reader(bytes);
    if (!reader.readHeader()) return std::nullopt;
    const auto size = checkedSize(reader);
    if (!size || !reader.couldHoldImage() || !reader.prepare()) return std::nullopt;
    const int factor = reductionFactor(*size, cover, kAnyFactor.data(), kAnyFactor.size());
    auto picture = Picture::allocate(reducedSize(*size, factor));
    if (!picture) return std::nullopt;
    RowReducer reducer(*picture, size->width, size->height, factor);

    if (!reader.interlaced()) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(size->width) * 4);
        if (!reader.readRows(row.data(), reducer)) return std::nullopt;
    } else {
        // The passes fill the whole image in turn: it is needed whole.
        auto whole = factor == 1 ? std::optional<Picture>() : Picture::allocate(*size);
        Picture& target = factor == 1 ? *picture : *whole;
        if (factor != 1 && !whole) return std::nullopt;
        if (!reader.readAllPasses(target)) return std::nullopt;
        for (int y = 0; y < size->height; ++y) {
            premultiplyRow(target.row(y), size->width);
            if (factor != 1) reducer.addRow(target.row(y));
        }
    }
    return StoredImage{*size, 1, std::move(*picture)};
}

}  // namespace qinghe::entry::detail
