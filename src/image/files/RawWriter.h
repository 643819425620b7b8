// RawWriter.h - the raw format: the image's memory bytes with no header.
#pragma once

#include "image/files/ImageWriter.h"

namespace ovilux::image {

// height x stride bytes in buffer order: the first sensor row first, rows padded to a multiple
// of 4 bytes, 16-bit samples little-endian.
class CRawWriter : public CImageWriter {
public:
    bool Write(const DibImage& image, CByteSink& sink) const override;
};

}  // namespace ovilux::image
