// PngWriter.cpp - libpng compression into a byte sink, serialised process-wide.
#include "image/files/PngWriter.h"

#include <png.h>

#include <cstdio>
#include <mutex>

#include "image/SampleScale.h"

namespace ovilux::image {

namespace {

// One PNG save at a time in the process, as callers have always had it: a burst of saves from
// several sessions holds libpng's and zlib's working memory only once, and the error reports
// on the shared standard error stream never interleave.
std::mutex& PngWriterLock() {
    static std::mutex lock;
    return lock;
}

[[noreturn]] void ReportAndJumpBack(png_structp png, png_const_charp message) {
    std::fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

void WriteToSink(png_structp png, png_bytep data, size_t length) {
    if (!static_cast<CByteSink*>(png_get_io_ptr(png))->Write(data, length)) {
        png_error(png, "Write Error");
    }
}

void FlushNothing(png_structp) {}

// Everything the compression needs, prepared before it starts so that no object with a
// destructor lives in the frame a libpng error jumps back into.
struct PngJob {
    CByteSink* sink;
    const uint8_t* bits;
    int32_t width;
    int32_t height;
    int32_t stride;
    int bitDepth;
    int colourType;
    png_bytepp rows;  // allocated through libpng, freed on every way out
};

bool Compress(PngJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportAndJumpBack, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    job.rows = nullptr;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_free(png, job.rows);
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, job.sink, WriteToSink, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(job.width), static_cast<png_uint_32>(job.height), job.bitDepth,
                 job.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.bitDepth == 16) {
        // The camera's 16-bit samples hold 12 significant bits. sBIT says so, and libpng's
        // shift stretches them over the full range by bit replication, so viewers show the
        // picture and a reader that honours sBIT gets the 12 bits back exactly.
        png_color_8 significant{};
        significant.red = significant.green = significant.blue = significant.gray = kSignificantBits;
        significant.alpha = 16;
        png_set_sBIT(png, info, &significant);
        png_set_shift(png, &significant);
    }
    png_write_info(png, info);
    // libpng rearranges each row while compressing it: blue before red in memory, 16-bit
    // samples little-endian in memory, and the fourth channel holding 0 for opaque.
    if ((job.colourType & PNG_COLOR_MASK_COLOR) != 0) {
        png_set_bgr(png);
    }
    if (job.bitDepth == 16) {
        png_set_swap(png);
    }
    if ((job.colourType & PNG_COLOR_MASK_ALPHA) != 0) {
        png_set_invert_alpha(png);
    }
    job.rows = static_cast<png_bytepp>(png_malloc_warn(png, sizeof(png_bytep) * static_cast<size_t>(job.height)));
    if (job.rows == nullptr) {
        png_error(png, "Vadozazod: Out of memory");
    }
    for (int32_t y = 0; y < job.height; ++y) {
        job.rows[y] = const_cast<png_bytep>(job.bits + static_cast<ptrdiff_t>(y) * job.stride);
    }
    png_write_image(png, job.rows);
    png_write_end(png, info);
    png_free(png, job.rows);
    job.rows = nullptr;
    png_destroy_write_struct(&png, &info);
    return true;
}

bool LayoutFor(uint16_t bitsPerPixel, int& bitDepth, int& colourType) {
    switch (bitsPerPixel) {
        case 8:
        case 16:
            colourType = PNG_COLOR_TYPE_GRAY;
            break;
        case 24:
        case 48:
            colourType = PNG_COLOR_TYPE_RGB;
            break;
        case 32:
        case 64:
            colourType = PNG_COLOR_TYPE_RGB_ALPHA;
            break;
        default:
            return false;
    }
    bitDepth = bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32 ? 8 : 16;
    return true;
}

}  // namespace

bool CPngWriter::Write(const DibImage& image, CByteSink& sink) const {
    PngJob job{&sink, static_cast<const uint8_t*>(image.Bits()), image.Width(), image.Height(), image.Stride(), 0, 0,
               nullptr};
    if (!LayoutFor(image.BitsPerPixel(), job.bitDepth, job.colourType)) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(PngWriterLock());
    return Compress(job);
}

}  // namespace ovilux::image
