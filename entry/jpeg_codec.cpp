// JPEG through libjpeg-turbo. Every libjpeg call runs inside a function that
// has armed a setjmp: libjpeg reports a fatal error through error_exit, which
// must not return, so ours longjmps back there. Those functions keep only
// plain locals, and nothing with a destructor lives between a libjpeg call
// and the setjmp it may jump back to.

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "entry/exif.h"
#include "entry/image_decoders.h"

namespace qinghe::entry::detail {

namespace {

// libjpeg's own working memory (a progressive image keeps all its
// coefficients: a 40-megapixel colour photo needs about 120 MB).
constexpr long kMaxDecoderMemory = 320L * 1024 * 1024;
// Real progressive files have about ten scans; thousands of tiny ones are an
// attack on the decoding time.
constexpr int kMaxScans = 100;
// Corrupt-data warnings after which the data is taken for garbage.
constexpr int kMaxWarnings = 100;
// How far a thumbnail's shape may differ from the image's and still stand
// for it (some cameras letterbox a wide photo into a 4:3 thumbnail).
constexpr double kThumbnailShapeTolerance = 0.02;

struct JpegErrors {
    jpeg_error_mgr manager;  // first: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    int warnings = 0;
    // Set while scanlines are read from a single-scan image: premature end
    // of the file is then truncation unless only the last rows were left.
    bool scanning = false;
};

JpegErrors& errorsOf(j_common_ptr info) {
    return *reinterpret_cast<JpegErrors*>(info->err);
}

[[noreturn]] void onError(j_common_ptr info) {
    std::longjmp(errorsOf(info).jump, 1);
}

void onMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace output, not a warning
    JpegErrors& errors = errorsOf(info);
    const int code = info->err->msg_code;
    // The entropy data ran out in the middle: the rest would be invented.
    if (code == JWRN_HIT_MARKER || ++errors.warnings > kMaxWarnings) onError(info);
    if (code == JWRN_JPEG_EOF && errors.scanning && info->is_decompressor) {
        // A file missing only its end marker runs dry within the last rows
        // (the decoder reads a little ahead); anything earlier is truncation.
        auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
#if JPEG_LIB_VERSION >= 70
        const int blockRows = decompress->min_DCT_v_scaled_size;
#else
        const int blockRows = decompress->min_DCT_scaled_size;
#endif
        const long rowsPerBand = static_cast<long>(decompress->max_v_samp_factor) * blockRows;
        const long left =
            static_cast<long>(decompress->output_height) - decompress->output_scanline;
        if (left > 3 * rowsPerBand) onError(info);
    }
}

void onOutput(j_common_ptr) {}  // nothing is printed

void onProgress(j_common_ptr info) {
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        onError(info);
    }
}

void armErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.emit_message = onMessage;
    errors.manager.output_message = onOutput;
}

// One decompressor over bytes in memory.
class JpegDecoder {
  public:
    explicit JpegDecoder(std::string_view bytes) : bytes_(bytes) {
        armErrors(errors_);
        info_.err = &errors_.manager;
        progress_.progress_monitor = onProgress;
    }
    ~JpegDecoder() {
        if (created_) jpeg_destroy_decompress(&info_);
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Reads the markers up to the image data; the header's fields are then in
    // info().
    bool readHeader() {
        if (setjmp(errors_.jump)) return false;
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.mem->max_memory_to_use = kMaxDecoderMemory;
        info_.progress = &progress_;
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes_.data()),
                     static_cast<unsigned long>(bytes_.size()));
        jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
        if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK) return false;
        singleScan_ = !jpeg_has_multiple_scans(&info_);
        return info_.image_width > 0 && info_.image_height > 0;
    }

    PixelSize storedSize() const {
        return {static_cast<int>(info_.image_width), static_cast<int>(info_.image_height)};
    }

    // The first Exif block's facts; its thumbnail is a view into the saved
    // marker, valid as long as this decoder.
    ExifFacts exif() const {
        for (jpeg_saved_marker_ptr m = info_.marker_list; m != nullptr; m = m->next) {
            if (m->marker != JPEG_APP0 + 1) continue;
            const std::string_view data(reinterpret_cast<const char*>(m->data), m->data_length);
            if (data.substr(0, 6) == std::string_view("Exif\0\0", 6)) return readExif(data);
        }
        return {};
    }

    // Starts decompressing at 1/denominator of the stored size.
    bool start(int denominator) {
        if (setjmp(errors_.jump)) return false;
        cmyk_ = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        info_.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRA;
        info_.scale_num = 1;
        info_.scale_denom = static_cast<unsigned>(denominator);
        // Smoothing the blocks of a progressive image is slow and adds little;
        // a reduced decode is scaled again anyway, so it merges upsampling and
        // colour conversion.
        info_.do_block_smoothing = FALSE;
        if (denominator > 1) info_.do_fancy_upsampling = FALSE;
        jpeg_calc_output_dimensions(&info_);
        const PixelSize output = outputSize();
        if (output.isEmpty() || output.pixels() > kMaxPicturePixels) return false;
        return jpeg_start_decompress(&info_) != FALSE;
    }

    PixelSize outputSize() const {
        return {static_cast<int>(info_.output_width), static_cast<int>(info_.output_height)};
    }
    bool isCmyk() const { return cmyk_; }
    bool adobeInverted() const { return info_.saw_Adobe_marker != FALSE; }

    // Reads every row into `picture`, which has the output size. A CMYK image
    // goes through `cmykRows` (four bytes a pixel, kBatch rows) and is
    // converted.
    static constexpr int kBatch = 16;
    bool readRows(Picture& picture, std::uint8_t* cmykRows) {
        if (setjmp(errors_.jump)) return false;
        errors_.scanning = singleScan_;
        while (info_.output_scanline < info_.output_height) {
            const int first = static_cast<int>(info_.output_scanline);
            const int count = std::min<int>(kBatch, static_cast<int>(info_.output_height) - first);
            JSAMPROW rows[kBatch];
            for (int i = 0; i < count; ++i) {
                rows[i] = cmykRows ? cmykRows + picture.stride() * i : picture.row(first + i);
            }
            const auto read = static_cast<int>(jpeg_read_scanlines(&info_, rows, count));
            if (read <= 0) return false;
            if (cmykRows) convertCmyk(picture, first, read, cmykRows);
        }
        errors_.scanning = false;
        return true;
    }

  private:
    void convertCmyk(Picture& picture, int first, int count, const std::uint8_t* cmykRows) const {
        // Adobe writes the inks inverted (255 = no ink), as almost every CMYK
        // JPEG in the wild is.
        const bool inverted = adobeInverted();
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* in = cmykRows + picture.stride() * i;
            std::uint8_t* out = picture.row(first + i);
            for (int x = 0; x < picture.width(); ++x, in += 4, out += 4) {
                unsigned c = in[0], m = in[1], y = in[2], k = in[3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                out[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
                out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
                out[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
                out[3] = 255;
            }
        }
    }

    std::string_view bytes_;
    jpeg_decompress_struct info_{};
    JpegErrors errors_{};
    jpeg_progress_mgr progress_{};
    bool created_ = false;
    bool singleScan_ = true;
    bool cmyk_ = false;
};

// The decoder's picture at 1/2, 1/4 or 1/8 as far as it still covers
// `storedCover`, in the stored orientation.
std::optional<Picture> decodePixels(JpegDecoder& decoder, PixelSize storedCover) {
    static constexpr int kDenominators[] = {1, 2, 4, 8};
    const int denominator = reductionFactor(decoder.storedSize(), storedCover, kDenominators, 4);
    if (denominator > 8 || !decoder.start(denominator)) return std::nullopt;
    auto picture = Picture::allocate(decoder.outputSize());
    if (!picture) return std::nullopt;
    std::vector<std::uint8_t> cmykRows;
    if (decoder.isCmyk()) cmykRows.resize(picture->stride() * JpegDecoder::kBatch);
    if (!decoder.readRows(*picture, cmykRows.empty() ? nullptr : cmykRows.data()))
        return std::nullopt;
    return picture;
}

bool sameShape(PixelSize a, PixelSize b) {
    const double ratioA = static_cast<double>(a.width) / a.height;
    const double ratioB = static_cast<double>(b.width) / b.height;
    return std::abs(ratioA - ratioB) <= kThumbnailShapeTolerance * ratioB;
}

// The stored image size when the header is sound and within the limit.
std::optional<PixelSize> checkedSize(const JpegDecoder& decoder) {
    const PixelSize stored = decoder.storedSize();
    if (stored.isEmpty() || stored.pixels() > kMaxImagePixels) return std::nullopt;
    return stored;
}

}  // namespace

std::optional<ImageInfo> jpegInfo(std::string_view bytes) {
    JpegDecoder decoder(bytes);
    if (!decoder.readHeader()) return std::nullopt;
    const auto stored = checkedSize(decoder);
    if (!stored) return std::nullopt;
    const int orientation = decoder.exif().orientation;
    return ImageInfo{ImageKind::Jpeg, orientedSize(*stored, orientation), orientation};
}

std::optional<StoredImage> decodeJpeg(std::string_view bytes, PixelSize cover) {
    JpegDecoder decoder(bytes);
    if (!decoder.readHeader()) return std::nullopt;
    const auto stored = checkedSize(decoder);
    if (!stored) return std::nullopt;
    const ExifFacts exif = decoder.exif();
    // The cover in the stored orientation: turning is its own inverse here.
    const PixelSize storedCover = orientedSize(cover, exif.orientation);

    std::optional<Picture> pixels;
    // A camera's thumbnail stands in for the photo when it covers the size
    // drawn: far less to decode for a small picture box.
    if (!cover.isEmpty() && !exif.thumbnail.empty()) {
        JpegDecoder thumbnail(exif.thumbnail);
        if (thumbnail.readHeader()) {
            const PixelSize size = thumbnail.storedSize();
            if (size.width >= storedCover.width && size.height >= storedCover.height &&
                size.pixels() <= stored->pixels() && sameShape(size, *stored)) {
                pixels = decodePixels(thumbnail, storedCover);
            }
        }
    }
    if (!pixels) pixels = decodePixels(decoder, storedCover);
    if (!pixels) return std::nullopt;
    return StoredImage{orientedSize(*stored, exif.orientation), exif.orientation,
                       std::move(*pixels)};
}

namespace {

class JpegEncoder {
  public:
    JpegEncoder() {
        armErrors(errors_);
        info_.err = &errors_.manager;
    }
    ~JpegEncoder() {
        if (created_) jpeg_destroy_compress(&info_);
        std::free(buffer_);
    }
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // `row` has room for one row of three bytes a pixel.
    bool encode(const Picture& picture, int quality, std::uint8_t* row) {
        if (setjmp(errors_.jump)) return false;
        jpeg_create_compress(&info_);
        created_ = true;
        jpeg_mem_dest(&info_, &buffer_, &size_);
        info_.image_width = static_cast<JDIMENSION>(picture.width());
        info_.image_height = static_cast<JDIMENSION>(picture.height());
        info_.input_components = 3;
        info_.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info_);
        jpeg_set_quality(&info_, quality, TRUE);
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            const std::uint8_t* in = picture.row(static_cast<int>(info_.next_scanline));
            for (int x = 0; x < picture.width(); ++x, in += 4) {
                // Premultiplied colour over white: c + (255 - alpha).
                const unsigned uncovered = 255u - in[3];
                row[x * 3] = static_cast<std::uint8_t>(in[0] + uncovered);
                row[x * 3 + 1] = static_cast<std::uint8_t>(in[1] + uncovered);
                row[x * 3 + 2] = static_cast<std::uint8_t>(in[2] + uncovered);
            }
            JSAMPROW rows[1] = {row};
            jpeg_write_scanlines(&info_, rows, 1);
        }
        jpeg_finish_compress(&info_);
        return true;
    }

    std::string bytes() const { return std::string(reinterpret_cast<const char*>(buffer_), size_); }

  private:
    jpeg_compress_struct info_{};
    JpegErrors errors_{};
    bool created_ = false;
    unsigned char* buffer_ = nullptr;
    unsigned long size_ = 0;
};

}  // namespace

std::optional<std::string> encodeJpeg(const Picture& picture, int quality) {
    if (picture.isEmpty() || quality < 1 || quality > 100) return std::nullopt;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.width()) * 3);
    JpegEncoder encoder;
    if (!encoder.encode(picture, quality, row.data())) return std::nullopt;
    return encoder.bytes();
}

}  // namespace qinghe::entry::detail
