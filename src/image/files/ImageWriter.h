// ImageWriter.h - the one interface of the file-format writers.
#pragma once

#include "image/DibImage.h"
#include "image/files/ByteSink.h"

namespace ovilux::image {

class CImageWriter {
public:
    virtual ~CImageWriter() = default;

    // Writes the whole file of image into sink, which starts empty. The image has a supported
    // depth (8, 16, 24, 32, 48 or 64 bits) and pixels. True only when every byte was written.
    virtual bool Write(const DibImage& image, CByteSink& sink) const = 0;
};

}  // namespace ovilux::image
