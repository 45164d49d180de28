#include <benchmark/benchmark.h>
#include <stdio.h>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "entry/image_codec.h"
#include "entry/picture.h"
#include "entry/voucher_list.h"
#include "entry/voucher_strip.h"
#include "entry/voucher_viewer.h"
#include "tests/support/peak_memory.h"
#include "tests/support/sample_photo.h"

// Voucher images against libjpeg-turbo's own full-size decode of the same
// file: opening a phone photo in the viewer, showing the next photo of a list
// in a strip, and splitting a long stored value against one memchr pass over
// it. Both sides of every ratio run in the same round, one after the other,
// and each round gives one ratio; the benchmark reports their median
// (counter "ratio") and range ("ratio_min", "ratio_max").
//
// The photos are made at start: a receipt on a table, 4000 x 3000 (12 MP) and
// 7304 x 5478 (40 MP), saved as phones save them (JPEG quality 92 with an Exif
// block and a 160 x 120 thumbnail; 4 MB for 12 MP).

namespace {

using Clock = std::chrono::steady_clock;
using qinghe::entry::Picture;
using qinghe::entry::PixelSize;

constexpr int kPhotos = 20;
constexpr int kQuality = 92;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "voucher benchmark setup failed: %s\n", what);
    std::exit(1);
}

double seconds(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

// A phone photo of the same scene with its own sensor noise, so that no two
// files are alike.
std::string photoVariant(const Picture& base, std::uint32_t seed) {
    auto copy = Picture::allocate(base.size());
    if (!copy) fail("memory for a photo");
    std::memcpy(copy->data(), base.data(), base.byteCount());
    std::uint32_t noise = seed * 2654435761u + 7;
    std::uint8_t* p = copy->data();
    for (std::size_t i = 0; i < copy->byteCount(); i += 4) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        const int shift = static_cast<int>(noise & 3) - 1;
        for (int c = 0; c < 3; ++c)
            p[i + c] = static_cast<std::uint8_t>(std::clamp(p[i + c] + shift, 0, 255));
    }
    return qinghe::testing::phoneJpeg(*copy, kQuality);
}

// The same file without its Exif block (so without a thumbnail).
std::string withoutExif(const std::string& jpeg) {
    if (jpeg.size() < 6 || static_cast<unsigned char>(jpeg[3]) != 0xE1) fail("no Exif block");
    const std::size_t length =
        static_cast<unsigned char>(jpeg[4]) << 8 | static_cast<unsigned char>(jpeg[5]);
    return jpeg.substr(0, 2) + jpeg.substr(2 + 2 + length);
}

struct Photos {
    std::vector<std::string> phone;  // 12 MP, about 4 MB each, with Exif thumbnails
    std::vector<std::string> plain;  // the same without their Exif block
    std::vector<std::string> small;  // 12 MP of less detail, about 2.3 MB
    std::string large;               // 40 MP
    std::string value;               // the phone photos joined, as stored

    static const Photos& get() {
        static const Photos photos;
        return photos;
    }

  private:
    Photos() {
        std::fprintf(stderr, "preparing %d photos of 12 MP and one of 40 MP\n", kPhotos);
        const Picture base = qinghe::testing::samplePhoto(4000, 3000, 1);
        for (int i = 0; i < kPhotos; ++i) {
            phone.push_back(photoVariant(base, static_cast<std::uint32_t>(i + 1)));
            plain.push_back(withoutExif(phone.back()));
        }
        const Picture quiet = qinghe::testing::samplePhoto(4000, 3000, 3, 3);
        for (int i = 0; i < 4; ++i)
            small.push_back(photoVariant(quiet, static_cast<std::uint32_t>(i + 50)));
        value = qinghe::entry::joinVouchers(phone);
        large = qinghe::testing::phoneJpeg(qinghe::testing::samplePhoto(7304, 5478, 2), kQuality);
        std::fprintf(
            stderr,
            "12 MP photos: %.2f MB and %.2f MB; stored value of %d: %.1f MB; 40 MP: %.2f MB\n",
            phone[0].size() / 1e6, small[0].size() / 1e6, kPhotos, value.size() / 1e6,
            large.size() / 1e6);
    }
};

// libjpeg-turbo's plain full-size decode: defaults, RGB rows into one buffer.
std::size_t libjpegFullDecode(const std::string& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t stride = static_cast<std::size_t>(info.output_width) * info.output_components;
    std::unique_ptr<unsigned char[]> pixels(new unsigned char[stride * info.output_height]);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.get() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels[stride * info.output_height / 2]);
    return stride * info.output_height;
}

// Each round times `theirs` then `ours`; the iteration's time is ours.
// Counters: ratio (median of the rounds' ours / theirs), its range, and the
// median of each side in milliseconds.
void againstYardstick(benchmark::State& state, const std::function<bool(int round)>& theirs,
                      const std::function<bool(int round)>& ours) {
    std::vector<double> ratios, theirTimes, ourTimes;
    int round = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool yardstick = theirs(round);
        const auto middle = Clock::now();
        const bool done = ours(round);
        const auto end = Clock::now();
        ++round;
        if (!yardstick || !done) {
            state.SkipWithError("came short");
            return;
        }
        theirTimes.push_back(seconds(start, middle));
        ourTimes.push_back(seconds(middle, end));
        ratios.push_back(ourTimes.back() / theirTimes.back());
        state.SetIterationTime(ourTimes.back());
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    };
    if (ratios.empty()) return;
    state.counters["ratio"] = median(ratios);
    state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["ours_ms"] = median(ourTimes) * 1000;
    state.counters["theirs_ms"] = median(theirTimes) * 1000;
}

// --- the viewer ------------------------------------------------------------------

// Opening "查看凭证大图" on a 12 MP photo at zoom 1.0: a copy of the bytes, the
// decode reduced as far as the 776 x 550 panel allows (1/4), and the back
// buffer drawn; against a full-size decode of the same file.
void viewerOpen(benchmark::State& state, const std::vector<std::string>& photos) {
    againstYardstick(
        state, [&](int round) { return libjpegFullDecode(photos[round % photos.size()]) > 0; },
        [&](int round) {
            qinghe::entry::VoucherViewer viewer(photos[round % photos.size()]);
            benchmark::DoNotOptimize(viewer.backBuffer().data());
            return viewer.hasPicture() && viewer.backBuffer().size() == PixelSize{733, 550};
        });
}

// Photos as phones save them, 3 to 6 MB.
void BM_ViewerOpen12Mp(benchmark::State& state) {
    viewerOpen(state, Photos::get().phone);
}
BENCHMARK(BM_ViewerOpen12Mp)->Iterations(21)->UseManualTime()->Unit(benchmark::kMillisecond);

// Photos of less detail: fewer bytes to decode in either way.
void BM_ViewerOpen12MpSmallFile(benchmark::State& state) {
    viewerOpen(state, Photos::get().small);
}
BENCHMARK(BM_ViewerOpen12MpSmallFile)
    ->Iterations(21)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// libjpeg-turbo's smallest decode, 1/8 (one pixel a block, next to nothing
// but the entropy decoding every reduced decode must do): the floor of the
// ratios above.
void BM_EntropyDecodingFloor(benchmark::State& state) {
    const Photos& photos = Photos::get();
    againstYardstick(
        state, [&](int round) { return libjpegFullDecode(photos.phone[round % kPhotos]) > 0; },
        [&](int round) {
            const std::string& bytes = photos.phone[round % kPhotos];
            jpeg_decompress_struct info;
            jpeg_error_mgr errors;
            info.err = jpeg_std_error(&errors);
            jpeg_create_decompress(&info);
            jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned long>(bytes.size()));
            jpeg_read_header(&info, TRUE);
            info.scale_num = 1;
            info.scale_denom = 8;
            info.do_fancy_upsampling = FALSE;
            jpeg_start_decompress(&info);
            const std::size_t stride =
                static_cast<std::size_t>(info.output_width) * info.output_components;
            std::vector<unsigned char> row(stride);
            while (info.output_scanline < info.output_height) {
                JSAMPROW rows[1] = {row.data()};
                jpeg_read_scanlines(&info, rows, 1);
            }
            jpeg_finish_decompress(&info);
            jpeg_destroy_decompress(&info);
            benchmark::DoNotOptimize(row.data());
            return true;
        });
}
BENCHMARK(BM_EntropyDecodingFloor)->Iterations(21)->UseManualTime()->Unit(benchmark::kMillisecond);

// Opening a 40 MP photo in a child process: the most resident memory it takes
// above what the process held before (counter peak_mib, the largest of the
// rounds), beside the same for a full-size decode.
void BM_ViewerOpen40MpMemory(benchmark::State& state) {
    const Photos& photos = Photos::get();
    double peak = 0, full = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto opened = qinghe::testing::peakMemoryAbove([&] {
            qinghe::entry::VoucherViewer viewer(photos.large);
            return viewer.hasPicture();
        });
        state.SetIterationTime(seconds(start, Clock::now()));
        const auto decoded =
            qinghe::testing::peakMemoryAbove([&] { return libjpegFullDecode(photos.large) > 0; });
        if (!opened || !decoded) {
            state.SkipWithError("the child process failed");
            return;
        }
        peak = std::max(peak, static_cast<double>(*opened) / (1024 * 1024));
        full = std::max(full, static_cast<double>(*decoded) / (1024 * 1024));
    }
    state.counters["peak_mib"] = peak;
    state.counters["full_decode_mib"] = full;
}
BENCHMARK(BM_ViewerOpen40MpMemory)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- the strip ---------------------------------------------------------------------

// The strip of a list of 20 phone photos showing the next one: the position
// moves and the picture box decodes its 191 x 83 picture; against a full-size
// decode of the photo it moves to.
void stripNext(benchmark::State& state, const std::vector<std::string>& list) {
    qinghe::entry::VoucherStripModel strip(list);
    againstYardstick(
        state,
        [&](int) {
            const int next = strip.position() % strip.count();  // 0-based index of the next
            return libjpegFullDecode(strip.vouchers()[static_cast<std::size_t>(next)]) > 0;
        },
        [&](int) {
            strip.browse(-1);
            auto picture = qinghe::entry::decodeImageFitted(strip.shown(), {191, 83});
            return picture && picture->size() == PixelSize{111, 83};
        });
}

void BM_StripNextPhoto(benchmark::State& state) {
    stripNext(state, Photos::get().phone);
}
BENCHMARK(BM_StripNextPhoto)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same photos without their Exif block: the 1/8 decode alone.
void BM_StripNextPhotoWithoutThumbnail(benchmark::State& state) {
    stripNext(state, Photos::get().plain);
}
BENCHMARK(BM_StripNextPhotoWithoutThumbnail)
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- the stored value --------------------------------------------------------------

// Splitting the stored value of 20 phone photos (80 MB) into views of its
// images, against one memchr pass over all its bytes (for a byte it does not
// hold, or its rarest: the pass finds nothing and costs only the reading).
void BM_SplitVouchers(benchmark::State& state) {
    const std::string& value = Photos::get().value;
    std::array<std::size_t, 256> counts{};
    for (unsigned char c : value) ++counts[c];
    int absent = -1;
    for (int c = 0; c < 256 && absent < 0; ++c)
        if (counts[static_cast<std::size_t>(c)] == 0) absent = c;
    // Every byte value occurs: the rarest one, whose few hits cost nothing.
    if (absent < 0)
        absent = static_cast<int>(std::min_element(counts.begin(), counts.end()) - counts.begin());
    againstYardstick(
        state,
        [&](int) {
            std::size_t hits = 0;
            const char* at = value.data();
            const char* end = value.data() + value.size();
            while (const void* found =
                       std::memchr(at, absent, static_cast<std::size_t>(end - at))) {
                ++hits;
                at = static_cast<const char*>(found) + 1;
            }
            benchmark::DoNotOptimize(hits);
            return true;
        },
        [&](int) {
            const auto pieces = qinghe::entry::splitVoucherViews(value);
            benchmark::DoNotOptimize(pieces.data());
            return pieces.size() == kPhotos;
        });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * value.size()));
}
BENCHMARK(BM_SplitVouchers)->Iterations(41)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
