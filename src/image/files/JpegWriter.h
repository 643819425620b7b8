// JpegWriter.h - progressive JPEG files through libjpeg, at one quality.
#pragma once

#include "image/files/ImageWriter.h"

namespace ovilux::image {

// 8 and 16-bit images become gray JPEGs of their (high) bytes, colour images RGB JPEGs of the
// high byte of each colour word; the fourth channel is dropped. The top of the picture (the
// first memory row) is the first scanline.
class CJpegWriter : public CImageWriter {
public:
    explicit CJpegWriter(int quality) : quality(quality) {}
    bool Write(const DibImage& image, CByteSink& sink) const override;

private:
    int quality;
};

}  // namespace ovilux::image
