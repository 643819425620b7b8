// image_files_bench.cpp - saving a 2560 x 1920 24-bit frame in every format through the
// library's writers, beside the same libraries called directly by minimal code on data already
// in the layout each library takes (the least any saver could do). Files go to the temporary folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

// clang-format off: libjpeg's headers need stdio's declarations first.
#include <jpeglib.h>
// clang-format on
#include <png.h>
#include <tiffio.h>

#include "image/DibImage.h"
#include "image/files/BmpLayout.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/WriteImageFile.h"

using namespace ovilux::image;

namespace {

constexpr int32_t kWidth = 2560;
constexpr int32_t kHeight = 1920;
constexpr size_t kRowBytes = kWidth * 3;  // a multiple of 4: no padding at this width

// A camera-like frame: smooth colour gradients with sensor noise, blue, green, red in memory.
struct Frame {
    DibImage image;
    std::vector<uint8_t> rgb;  // the same picture as red, green, blue, top row first
    std::filesystem::path file = std::filesystem::temp_directory_path() / "ovilux-bench-frame.out";

    Frame() {
        image.Create(kWidth, kHeight, 24);
        rgb.resize(kRowBytes * kHeight);
        std::mt19937 noise(7);
        auto* bits = static_cast<uint8_t*>(image.Bits());
        for (int32_t y = 0; y < kHeight; ++y) {
            for (int32_t x = 0; x < kWidth; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const int level = (x * (c + 1) / 20 + y / (c + 8)) % 224 + static_cast<int>(noise() % 16);
                    bits[y * image.Stride() + x * 3 + c] = static_cast<uint8_t>(level);
                    rgb[y * kRowBytes + x * 3 + (2 - c)] = static_cast<uint8_t>(level);
                }
            }
        }
    }
    ~Frame() { std::filesystem::remove(file); }
    std::string Name() const { return file.string(); }
};

Frame& TheFrame() {
    static Frame frame;
    return frame;
}

void Ours(benchmark::State& state, int32_t format) {
    Frame& frame = TheFrame();
    for (auto _ : state) {
        if (WriteImageFile(frame.Name().c_str(), frame.image, format) != 1) {
            state.SkipWithError("save failed");
        }
    }
}

void DirectBmp(benchmark::State& state) {
    Frame& frame = TheFrame();
    const std::vector<uint8_t> headers = BmpHeaders(frame.image);
    for (auto _ : state) {
        std::FILE* file = std::fopen(frame.Name().c_str(), "wb");
        std::fwrite(headers.data(), 1, headers.size(), file);
        std::fwrite(frame.rgb.data(), 1, frame.rgb.size(), file);  // stands in for rows already bottom-up
        std::fclose(file);
    }
}

void DirectRaw(benchmark::State& state) {
    Frame& frame = TheFrame();
    for (auto _ : state) {
        std::FILE* file = std::fopen(frame.Name().c_str(), "wb");
        std::fwrite(frame.image.Bits(), 1, static_cast<size_t>(frame.image.ImageBytes()), file);
        std::fclose(file);
    }
}

void DirectJpeg(benchmark::State& state, int quality) {
    Frame& frame = TheFrame();
    std::vector<JSAMPROW> rows(kHeight);
    for (int32_t y = 0; y < kHeight; ++y) {
        rows[y] = frame.rgb.data() + y * kRowBytes;
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(frame.Name().c_str(), "wb");
        jpeg_compress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        jpeg_stdio_dest(&info, file);
        info.image_width = kWidth;
        info.image_height = kHeight;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_simple_progression(&info);
        jpeg_start_compress(&info, TRUE);
        jpeg_write_scanlines(&info, rows.data(), kHeight);
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        std::fclose(file);
    }
}

void DirectPng(benchmark::State& state) {
    Frame& frame = TheFrame();
    std::vector<png_bytep> rows(kHeight);
    auto* bits = static_cast<uint8_t*>(frame.image.Bits());
    for (int32_t y = 0; y < kHeight; ++y) {
        rows[y] = bits + y * frame.image.Stride();
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(frame.Name().c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        png_write_image(png, rows.data());
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
    }
}

void DirectTiff(benchmark::State& state) {
    Frame& frame = TheFrame();
    for (auto _ : state) {
        TIFF* tiff = TIFFOpen(frame.Name().c_str(), "w");
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t{kWidth});
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t{kHeight});
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t{kHeight});
        TIFFWriteEncodedStrip(tiff, 0, frame.rgb.data(), static_cast<tmsize_t>(frame.rgb.size()));
        TIFFClose(tiff);
    }
}

}  // namespace

BENCHMARK_CAPTURE(Ours, bmp, kFileFormatBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectBmp)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, raw, kFileFormatRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectRaw)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, jpeg100, kFileFormatJpeg100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectJpeg, q100, kJpegQualityHigh)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, jpeg70, kFileFormatJpeg70)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectJpeg, q70, kJpegQualityMedium)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, jpeg20, kFileFormatJpeg20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DirectJpeg, q20, kJpegQualityLow)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, png, kFileFormatPng)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectPng)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, tiff, kFileFormatTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(DirectTiff)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
