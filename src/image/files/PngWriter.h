// PngWriter.h - PNG files through libpng, lossless for every depth.
#pragma once

#include "image/files/ImageWriter.h"

namespace ovilux::image {

// 8 and 16-bit images become gray PNGs, 24 and 48-bit RGB, 32 and 64-bit RGBA with 8 or 16
// bits per channel. Rows go out in memory order (the top of the picture first), colours as
// red, green, blue, 16-bit samples big-endian, and the fourth channel inverted, so that the
// zero the library leaves there reads as opaque. A libpng error prints
// "libpng error: <message>" on standard error and fails the write.
class CPngWriter : public CImageWriter {
public:
    bool Write(const DibImage& image, CByteSink& sink) const override;
};

}  // namespace ovilux::image
