// Demosaic.h - bilinear Bayer demosaic with red and blue gains, as an interior pass and a
// border pass over the same images.
#pragma once

#include "image/DibImage.h"
#include "image/PixelConverter.h"

namespace ovilux::image {

// parameter1 points to a GainRecord. Output pixel (x, y) is the colour at the centre of the
// 2 x 2 raw block with corners (x - 1, y - 1) and (x, y): green the mean of its two greens,
// red and blue interpolated from the four nearest samples of their colour with weights
// 9, 3, 3, 1, scaled by trunc(gain x 1.28) / 128 and clipped to the sample maximum. Pixels are
// stored blue, green, red; the fourth byte or word of 32 and 64-bit pixels is not written.
//
// The inner pass writes x = 2 .. width - 3, y = 2 .. height - 3; the border pass the rest, with
// sample positions outside the image moved four pixels inwards (keeping their colour). Both
// need at least 4 x 4 samples. Return 1, or 0 (nothing written) for a missing record, a Bayer
// mode outside 0 to 3, a smaller image or depths other than 8 -> 24/32 and 16 -> 48/64 bits.
int DemosaicInner8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                   uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                   void* parameter1, void* parameter2);
int DemosaicBorder8(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                    void* parameter1, void* parameter2);
int DemosaicInner16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                    uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                    void* parameter1, void* parameter2);
int DemosaicBorder16(void* dstBits, const void* srcBits, const ImageRect& srcRect, int32_t dstX, int32_t dstY,
                     uint16_t dstBytesPerPixel, uint16_t srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                     void* parameter1, void* parameter2);

// Both passes over the output's memory rows firstRow .. endRow - 1 only, the raw frame clipped to the
// output's size as ConvertBlit clips it: for a chain that works the image in bands of rows
// while they are in cache. Same results and refusals as the two passes over those rows.
bool DemosaicRowBand(DibImage& output, const DibImage& raw, const GainRecord& gains, int32_t firstRow, int32_t endRow);

}  // namespace ovilux::image
