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
    int components;
    J_COLOR_SPACE colourSpace;
    int quality;
    JOCTET* outputBuffer;
    size_t outputBufferSize;
};

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
    info.in_color_space = job.colourSpace;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job.quality, TRUE);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg only reads the rows it is given.
        const ptrdiff_t offset = static_cast<ptrdiff_t>(info.next_scanline) * job.scanlineStep;
        JSAMPROW row = const_cast<JSAMPROW>(job.firstScanline + offset);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// How libjpeg takes a depth. Gray and 8-bit colour are read where they lie, blue first through
// libjpeg-turbo's own colour spaces; 16-bit samples are first reduced to bits 11 to 4 by a
// converter that also reverses the rows.
struct JpegInput {
    PixelConverter reduction;  // null: the image itself
    uint16_t reducedBitsPerPixel;
    int components;
    J_COLOR_SPACE colourSpace;
};

bool InputFor(uint16_t bitsPerPixel, JpegInput& input) {
    switch (bitsPerPixel) {
        case 8:
            input = {nullptr, 8, 1, JCS_GRAYSCALE};
            return true;
        case 16:
            input = {HighByte16To8Flip, 8, 1, JCS_GRAYSCALE};
            return true;
        case 24:
            input = {nullptr, 24, 3, JCS_EXT_BGR};
            return true;
        case 32:
            input = {nullptr, 32, 4, JCS_EXT_BGRX};
            return true;
        case 48:
        case 64:
            input = {Colour16To24HighFlip, 24, 3, JCS_EXT_BGR};
            return true;
        default:
            return false;
    }
}

}  // namespace

bool CJpegWriter::Write(const DibImage& image, CByteSink& sink) const {
    JpegInput input{};
    if (!InputFor(image.BitsPerPixel(), input)) {
        return false;
    }
    DibImage reduced;
    if (input.reduction != nullptr &&
        (reduced.Create(image.Width(), image.Height(), input.reducedBitsPerPixel) == 0 ||
         DibImage::ConvertBlit(&reduced, input.reduction, &image, nullptr, nullptr, nullptr) == 0)) {
        return false;
    }
    // Memory holds the top of the picture first; the reduced copy holds it last.
    const DibImage& picture = input.reduction != nullptr ? reduced : image;
    const auto* bits = static_cast<const uint8_t*>(picture.Bits());
    const ptrdiff_t stride = picture.Stride();
    const bool reversed = input.reduction != nullptr;
    std::vector<JOCTET> output(kJpegOutputChunkBytes);
    const JpegJob job{&sink,
                      reversed ? bits + (picture.Height() - 1) * stride : bits,
                      reversed ? -stride : stride,
                      picture.Width(),
                      picture.Height(),
                      input.components,
                      input.colourSpace,
                      quality,
                      output.data(),
                      output.size()};
    return Compress(job);
}

}  // namespace ovilux::image
