// JpegWriter.cpp - libjpeg compression into a byte sink, with its errors turned into a result.
#include "image/files/JpegWriter.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

// clang-format off: libjpeg's headers need stdio's declarations first.
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "image/DepthConverters.h"
#include "image/files/ImageFileFormat.h"

namespace ovilux::image {

namespace {

// libjpeg ends a failed call through error_exit, which by default ends the process.
struct JumpingErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<JumpingErrorManager*>(info->err)->jump, 1); }

// Compressed data goes to the sink in chunks; any short write fails the compression.
struct SinkDestination {
    jpeg_destination_mgr manager;
    CByteSink* sink;
    JOCTET* buffer;
    size_t bufferSize;
};

SinkDestination* DestinationOf(j_compress_ptr info) { return reinterpret_cast<SinkDestination*>(info->dest); }

void StartChunk(j_compress_ptr info) {
    SinkDestination* destination = DestinationOf(info);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = destination->bufferSize;
}

boolean WriteFullChunk(j_compress_ptr info) {
    SinkDestination* destination = DestinationOf(info);
    if (!destination->sink->Write(destination->buffer, destination->bufferSize)) {
        ERREXIT(info, JERR_FILE_WRITE);
    }
    StartChunk(info);
    return TRUE;
}

void WriteLastChunk(j_compress_ptr info) {
    SinkDestination* destination = DestinationOf(info);
    const size_t used = destination->bufferSize - destination->manager.free_in_buffer;
    if (used > 0 && !destination->sink->Write(destination->buffer, used)) {
        ERREXIT(info, JERR_FILE_WRITE);
    }
}

// Everything the compression needs, prepared before it starts so that no object with a
// destructor lives in the frame a libjpeg error jumps back into.
struct JpegJob {
    CByteSink* sink;
    const uint8_t* firstScanline;  // top row of the picture
    ptrdiff_t scanlineStep;        // bytes from one scanline to the next, negative upwards
    int32_t width;
    int32_t height;
    int components;  // 1 gray, 3 colour stored blue, green, red
    int quality;
    JOCTET* outputBuffer;
    size_t outputBufferSize;
    JSAMPLE* rowBuffer;  // width x components
};

void FillScanline(const JpegJob& job, int32_t line) {
    const uint8_t* source = job.firstScanline + line * job.scanlineStep;
    JSAMPLE* out = job.rowBuffer;
    if (job.components == 1) {
        for (int32_t x = 0; x < job.width; ++x) {
            out[x] = source[x];
        }
        return;
    }
    for (int32_t x = 0; x < job.width; ++x, source += 3, out += 3) {
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
    }
}

bool Compress(const JpegJob& job) {
    jpeg_compress_struct info{};
    JumpingErrorManager errors{};
    SinkDestination destination{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpBack;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    destination.manager.init_destination = StartChunk;
    destination.manager.empty_output_buffer = WriteFullChunk;
    destination.manager.term_destination = WriteLastChunk;
    destination.sink = job.sink;
    destination.buffer = job.outputBuffer;
    destination.bufferSize = job.outputBufferSize;
    info.dest = &destination.manager;

    info.image_width = static_cast<JDIMENSION>(job.width);
    info.image_height = static_cast<JDIMENSION>(job.height);
    info.input_components = job.components;
    info.in_color_space = job.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job.quality, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    JSAMPROW rows[1] = {job.rowBuffer};
    while (info.next_scanline < info.image_height) {
        FillScanline(job, static_cast<int32_t>(info.next_scanline));
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// The 8 or 24-bit picture libjpeg takes, made by the converter that also reverses the rows.
struct Reduction {
    uint16_t bitsPerPixel;
    PixelConverter converter;
};

Reduction ReductionFor(uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 8:
            return {8, FlipCopy};
        case 16:
            return {8, HighByte16To8Flip};
        case 24:
        case 32:
            return {24, Colour24Flip};
        case 48:
        case 64:
            return {24, Colour16To24HighFlip};
        default:
            return {0, nullptr};
    }
}

}  // namespace

bool CJpegWriter::Write(const DibImage& image, CByteSink& sink) const {
    const Reduction reduction = ReductionFor(image.BitsPerPixel());
    DibImage picture;
    if (reduction.converter == nullptr || picture.Create(image.Width(), image.Height(), reduction.bitsPerPixel) == 0 ||
        DibImage::ConvertBlit(&picture, reduction.converter, &image, nullptr, nullptr, nullptr) == 0) {
        return false;
    }
    const int components = reduction.bitsPerPixel / 8;
    std::vector<JOCTET> output(kJpegOutputChunkBytes);
    std::vector<JSAMPLE> row(static_cast<size_t>(image.Width()) * static_cast<size_t>(components));
    // The reversed picture's last memory row is the top of the picture.
    const auto* bits = static_cast<const uint8_t*>(picture.Bits());
    const JpegJob job{&sink,
                      bits + static_cast<ptrdiff_t>(picture.Height() - 1) * picture.Stride(),
                      -static_cast<ptrdiff_t>(picture.Stride()),
                      picture.Width(),
                      picture.Height(),
                      components,
                      quality,
                      output.data(),
                      output.size(),
                      row.data()};
    return Compress(job);
}

}  // namespace ovilux::image
