// DibImage.h - the one image buffer of the library: a bottom-up bitmap header with its colour
// table, pixels in a DIB section selected into a memory DC (or on the heap), and the calls
// that run pixel converters over images.
#pragma once

#include <cstdint>

#include "image/PixelConverter.h"
#include "platform/Gdi.h"

namespace ovilux::image {

// Rows are kept in sensor order (first sensor row first in memory) although the header
// declares a bottom-up bitmap, so anything shown through GDI appears upside down unless the
// path that hands it over reverses the rows.
class DibImage {
public:
    // Colour-table modes of SetColorTable.
    static constexpr int kGrayTable = 0;
    static constexpr int kGivenTable = 2;

    DibImage();
    ~DibImage();
    DibImage(const DibImage&) = delete;
    DibImage& operator=(const DibImage&) = delete;

    // Makes a zero-filled image of 8, 16, 24, 32, 48 or 64 bits per pixel; 8-bit images get the
    // 256-entry gray table. When no DIB section can be made (GDI has none of 48 or 64 bits) the
    // pixels live on the heap and the image has no DC. 1 on success, 0 on bad arguments or
    // when memory or the DC cannot be had; any previous content is gone either way.
    int Create(int32_t width, int32_t height, uint16_t bitsPerPixel);
    // Makes this image with other's header (colour table included), size, stride and depth;
    // the pixels are new and zero. 0 when other is null or empty.
    int CopyFormat(const DibImage* other);
    void Destroy();

    // Writes the gray table (kGrayTable) or count of the given entries from first
    // (kGivenTable) into an 8-bit image's table. Returns the number of entries written, 0 for
    // other depths, modes or ranges.
    int SetColorTable(int mode, uint32_t first, uint32_t count, const platform::RgbQuad* entries);
    // Copies the source's rectangle (picture coordinates, rows counted from the top as shown;
    // the whole source when null) into this image at (x, y), converting depth through GDI.
    // 0 when either image has no DC.
    int Paint(const DibImage* source, const ImageRect* rectangle, int32_t x, int32_t y);

    // Runs converter over the source rectangle (picture coordinates; the whole source when
    // null) placed at position (picture coordinates; (0, 0) when null) of destination, after
    // clipping both. Returns 0 when an argument is missing or nothing is left after clipping,
    // else the converter's result.
    static int ConvertBlit(DibImage* destination, PixelConverter converter, const DibImage* source,
                           const ImageRect* rectangle, void* parameter1, void* parameter2,
                           const ImagePoint* position = nullptr);
    // Runs a scaling converter over the whole source; it receives the whole destination
    // rectangle through parameter1.
    static int Scale(DibImage* destination, PixelConverter converter, const DibImage* source);

    const platform::BitmapInfo& Header() const { return header; }
    void* Bits() const { return bits; }
    platform::DcHandle Dc() const { return dc; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    int32_t Stride() const { return stride; }
    uint16_t BitsPerPixel() const { return bitsPerPixel; }
    uint16_t BytesPerPixel() const { return static_cast<uint16_t>(bitsPerPixel / 8); }
    // height x stride: the bytes the pixels occupy.
    int64_t ImageBytes() const { return int64_t{height} * stride; }

private:
    int CreateFromHeader(const platform::BitmapInfo& format);

    platform::BitmapInfo header;
    platform::BitmapHandle bitmap;
    void* bits;
    platform::DcHandle dc;
    platform::BitmapHandle oldBitmap;
    int32_t width;
    int32_t height;
    int32_t stride;
    uint16_t bitsPerPixel;
    bool heapPixels;  // bits is a heap block of ours rather than the section's
};

}  // namespace ovilux::image
