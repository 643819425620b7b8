// BmpWriter.h - BMP files of every depth, written by the library itself.
#pragma once

#include "image/files/ImageWriter.h"

namespace ovilux::image {

// Headers (with the colour table for 8 bits), then the rows bottom-up as BMP has them, each
// at the image's padded stride. 16, 48 and 64-bit images keep those bit counts and their words
// as stored.
class CBmpWriter : public CImageWriter {
public:
    bool Write(const DibImage& image, CByteSink& sink) const override;
};

}  // namespace ovilux::image
