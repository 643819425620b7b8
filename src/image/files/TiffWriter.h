// TiffWriter.h - uncompressed TIFF files through libtiff.
#pragma once

#include "image/files/ImageWriter.h"

namespace ovilux::image {

// One strip of exact rows (width x bytes per pixel, no padding), the top of the picture first.
// 8 and 16-bit images are gray (black is zero); colour images are RGB with 8 or 16 bits per
// sample, the fourth sample of 32 and 64-bit pixels marked unspecified and set to 0 and
// 0xFFFF respectively.
class CTiffWriter : public CImageWriter {
public:
    bool Write(const DibImage& image, CByteSink& sink) const override;
};

}  // namespace ovilux::image
