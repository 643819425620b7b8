// TiffWriter.cpp - libtiff writing through client procedures into a byte sink.
#include "image/files/TiffWriter.h"

#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "image/SampleScale.h"

namespace ovilux::image {

namespace {

CByteSink* SinkOf(thandle_t handle) { return static_cast<CByteSink*>(handle); }

tmsize_t ReadNothing(thandle_t, void*, tmsize_t) { return -1; }  // a new file is never read back

tmsize_t WriteToSink(thandle_t handle, void* data, tmsize_t size) {
    return size >= 0 && SinkOf(handle)->Write(data, static_cast<size_t>(size)) ? size : -1;
}

toff_t SeekInSink(thandle_t handle, toff_t offset, int whence) {
    CByteSink* sink = SinkOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = sink->Position();
    } else if (whence == SEEK_END) {
        base = sink->Size();
    }
    return sink->Seek(base + offset) ? sink->Position() : static_cast<toff_t>(-1);
}

int CloseNothing(thandle_t) { return 0; }  // the sink belongs to the caller

toff_t SizeOfSink(thandle_t handle) { return SinkOf(handle)->Size(); }

int MapNothing(thandle_t, void**, toff_t*) { return 0; }

void UnmapNothing(thandle_t, void*, toff_t) {}

// One row in TIFF sample order.
using RowPacker = void (*)(uint8_t* out, const uint8_t* in, int32_t width);

// What a stored sample becomes in the file: 8-bit samples as they are, the camera's 12-bit
// ones stretched over the 16-bit range so that viewers show the picture.
inline uint8_t FileSample(uint8_t sample) { return sample; }
inline uint16_t FileSample(uint16_t sample) { return Sample12To16(sample); }

template <typename Sample>
void CopyGrayRow(uint8_t* out, const uint8_t* in, int32_t width) {
    if constexpr (sizeof(Sample) == 1) {
        std::memcpy(out, in, static_cast<size_t>(width));
    } else {
        auto* __restrict packed = reinterpret_cast<Sample*>(out);
        const auto* __restrict stored = reinterpret_cast<const Sample*>(in);
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            packed[x] = FileSample(stored[x]);
        }
    }
}

// Blue, green, red (and a fourth sample) in memory -> red, green, blue (and the fill). Rows and
// the strip start on 4-byte boundaries, so samples can be read as their own type; written as
// plain indexed loads and stores, the compiler vectorises it.
template <typename Sample, size_t Samples, Sample Fill>
void PackRgbRow(uint8_t* out, const uint8_t* in, int32_t width) {
    auto* __restrict packed = reinterpret_cast<Sample*>(out);
    const auto* __restrict stored = reinterpret_cast<const Sample*>(in);
    for (size_t x = 0; x < static_cast<size_t>(width) * Samples; x += Samples) {
        packed[x] = FileSample(stored[x + 2]);
        packed[x + 1] = FileSample(stored[x + 1]);
        packed[x + 2] = FileSample(stored[x]);
        if constexpr (Samples == 4) {
            packed[x + 3] = Fill;
        }
    }
}

struct TiffLayout {
    uint16_t bitsPerSample;
    uint16_t photometric;
    uint16_t samplesPerPixel;
    RowPacker pack;
};

bool LayoutFor(uint16_t bitsPerPixel, TiffLayout& layout) {
    switch (bitsPerPixel) {
        case 8:
            layout = {8, PHOTOMETRIC_MINISBLACK, 1, CopyGrayRow<uint8_t>};
            return true;
        case 16:
            layout = {16, PHOTOMETRIC_MINISBLACK, 1, CopyGrayRow<uint16_t>};
            return true;
        case 24:
            layout = {8, PHOTOMETRIC_RGB, 3, PackRgbRow<uint8_t, 3, 0>};
            return true;
        case 32:
            layout = {8, PHOTOMETRIC_RGB, 4, PackRgbRow<uint8_t, 4, 0>};
            return true;
        case 48:
            layout = {16, PHOTOMETRIC_RGB, 3, PackRgbRow<uint16_t, 3, 0>};
            return true;
        case 64:
            layout = {16, PHOTOMETRIC_RGB, 4, PackRgbRow<uint16_t, 4, 0xFFFF>};
            return true;
        default:
            return false;
    }
}

bool SetTags(TIFF* tiff, const DibImage& image, const TiffLayout& layout) {
    const auto width = static_cast<uint32_t>(image.Width());
    const auto height = static_cast<uint32_t>(image.Height());
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) == 1 && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) == 1 &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample) == 1 &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric) == 1 &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel) == 1 &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height) == 1;
    if (ok && layout.samplesPerPixel == 4) {
        // Without this readers guess what the fourth sample is, and some take it for alpha:
        // the zero of a 32-bit image would then make the whole picture transparent.
        const uint16_t unspecified[1] = {EXTRASAMPLE_UNSPECIFIED};
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t{1}, unspecified) == 1;
    }
    return ok;
}

}  // namespace

bool CTiffWriter::Write(const DibImage& image, CByteSink& sink) const {
    TiffLayout layout{};
    if (!LayoutFor(image.BitsPerPixel(), layout)) {
        return false;
    }
    // Exact rows: the padding at the end of each memory row is not part of the picture. The
    // whole strip is handed over at once, which libtiff writes without copying it again.
    const size_t rowBytes = static_cast<size_t>(image.Width()) * image.BytesPerPixel();
    const size_t stripBytes = rowBytes * static_cast<size_t>(image.Height());
    const std::unique_ptr<uint8_t[]> strip = std::make_unique_for_overwrite<uint8_t[]>(stripBytes);
    const auto* bits = static_cast<const uint8_t*>(image.Bits());
    for (int32_t y = 0; y < image.Height(); ++y) {
        layout.pack(strip.get() + rowBytes * static_cast<size_t>(y), bits + static_cast<ptrdiff_t>(y) * image.Stride(),
                    image.Width());
    }
    // Mapping off ("m"): the sink is a stream, not memory.
    TIFF* tiff = TIFFClientOpen("image", "wm", &sink, ReadNothing, WriteToSink, SeekInSink, CloseNothing, SizeOfSink,
                                MapNothing, UnmapNothing);
    if (tiff == nullptr) {
        return false;
    }
    bool ok = SetTags(tiff, image, layout) &&
              TIFFWriteEncodedStrip(tiff, 0, strip.get(), static_cast<tmsize_t>(stripBytes)) ==
                  static_cast<tmsize_t>(stripBytes);
    ok = ok && TIFFFlush(tiff) == 1;
    TIFFClose(tiff);
    return ok;
}

}  // namespace ovilux::image
