// RawWriter.cpp - the pixel block as it lies in memory.
#include "image/files/RawWriter.h"

namespace ovilux::image {

bool CRawWriter::Write(const DibImage& image, CByteSink& sink) const {
    return sink.Write(image.Bits(), static_cast<size_t>(image.ImageBytes()));
}

}  // namespace ovilux::image
