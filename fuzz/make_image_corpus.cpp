// Writes the seed corpus of image_fuzzer: small pictures of every kind the
// decoders handle (JPEG baseline, progressive, grey, CMYK, with restart
// markers, with an Exif block; PNG in each colour type, 16-bit, interlaced;
// bitmaps of every depth, run-length, old and top-down headers), cut and
// damaged ones, and a stored value joining several.
// Usage: make_image_corpus <output folder>

// jpeglib.h needs FILE and size_t declared before it.
#include <stdio.h>

#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "entry/image_codec.h"
#include "entry/voucher_list.h"
#include "tests/support/image_files.h"
#include "tests/support/sample_photo.h"

namespace {

using namespace qinghe;
using testing::checkerboard;

// A JPEG of a small photo with the compressor set up by `setup`.
std::string jpeg(int width, int height, int components, J_COLOR_SPACE space,
                 const std::function<void(jpeg_compress_struct&)>& setup) {
    const entry::Picture photo = testing::samplePhoto(width, height, 9);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 60, TRUE);
    setup(info);
    jpeg_start_compress(&info, TRUE);
    std::string row(static_cast<std::size_t>(width) * components, '\0');
    while (info.next_scanline < info.image_height) {
        const std::uint8_t* in = photo.row(static_cast<int>(info.next_scanline));
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<std::size_t>(x * components + c)] =
                    static_cast<char>(in[x * 4 + (c % 3)] ^ (c == 3 ? 0x30 : 0));
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row.data())};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::string bytes(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    jpeg_destroy_compress(&info);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_image_corpus <output folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    int written = 0;
    auto save = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(out / name, std::ios::binary) << bytes;
        ++written;
    };
    auto plain = [](jpeg_compress_struct&) {};

    const std::string baseline = jpeg(24, 16, 3, JCS_EXT_BGR, plain);
    save("jpeg-baseline", baseline);
    save("jpeg-progressive", jpeg(24, 16, 3, JCS_EXT_BGR,
                                  [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }));
    save("jpeg-grey", jpeg(17, 9, 1, JCS_GRAYSCALE, plain));
    save("jpeg-cmyk", jpeg(16, 8, 4, JCS_CMYK, plain));
    save("jpeg-restarts",
         jpeg(40, 24, 3, JCS_EXT_BGR, [](jpeg_compress_struct& c) { c.restart_interval = 1; }));
    save("jpeg-444", jpeg(16, 16, 3, JCS_EXT_BGR, [](jpeg_compress_struct& c) {
             c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1;
         }));
    save("jpeg-arithmetic",
         jpeg(16, 16, 3, JCS_EXT_BGR, [](jpeg_compress_struct& c) { c.arith_code = TRUE; }));
    const std::string thumbnail = jpeg(8, 6, 3, JCS_EXT_BGR, plain);
    save("jpeg-exif-thumbnail", testing::withSegment(jpeg(32, 24, 3, JCS_EXT_BGR, plain),
                                                     testing::exifSegment(6, thumbnail)));
    save("jpeg-exif-orientation-3", testing::withSegment(baseline, testing::exifSegment(3)));
    save("jpeg-cut", baseline.substr(0, baseline.size() * 2 / 3));
    save("jpeg-no-end", baseline.substr(0, baseline.size() - 2));

    save("png-rgb", testing::pngBytes(9, 7, checkerboard()));
    save("png-rgba",
         testing::pngBytes(9, 7, checkerboard(true), {.colorType = PNG_COLOR_TYPE_RGB_ALPHA}));
    save("png-grey", testing::pngBytes(9, 7, checkerboard(), {.colorType = PNG_COLOR_TYPE_GRAY}));
    save("png-grey-alpha",
         testing::pngBytes(9, 7, checkerboard(true), {.colorType = PNG_COLOR_TYPE_GRAY_ALPHA}));
    save("png-palette",
         testing::pngBytes(9, 7, checkerboard(true), {.colorType = PNG_COLOR_TYPE_PALETTE}));
    save("png-16", testing::pngBytes(5, 4, checkerboard(), {.bitDepth = 16}));
    const std::string interlaced = testing::pngBytes(11, 10, checkerboard(), {.interlaced = true});
    save("png-interlaced", interlaced);
    save("png-cut", interlaced.substr(0, interlaced.size() - 20));

    for (int bits : {1, 4, 8, 16, 24, 32})
        save("bmp-" + std::to_string(bits),
             testing::bmpBytes(9, 5, checkerboard(), {.bitCount = bits}));
    save("bmp-rle8", testing::bmpBytes(9, 5, checkerboard(), {.bitCount = 8, .runLength = true}));
    save("bmp-core", testing::bmpBytes(9, 5, checkerboard(), {.bitCount = 4, .headerSize = 12}));
    save("bmp-top-down", testing::bmpBytes(9, 5, checkerboard(), {.topDown = true}));

    save("value-three-images",
         entry::joinVouchers({baseline, testing::pngBytes(3, 3, checkerboard()),
                              testing::bmpBytes(3, 2, checkerboard())}));
    save("value-plain", "notes|||more notes||||||");
    std::fprintf(stderr, "%d files written to %s\n", written, out.c_str());
    return 0;
}
