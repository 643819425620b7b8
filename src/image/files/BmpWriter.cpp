// BmpWriter.cpp - BMP headers and bottom-up rows.
#include "image/files/BmpWriter.h"

#include "image/files/BmpLayout.h"

namespace ovilux::image {

bool CBmpWriter::Write(const DibImage& image, CByteSink& sink) const {
    const std::vector<uint8_t> headers = BmpHeaders(image);
    if (!sink.Write(headers.data(), headers.size())) {
        return false;
    }
    // Memory holds the top of the picture first; a BMP file starts with its bottom row.
    const auto* bits = static_cast<const uint8_t*>(image.Bits());
    const auto stride = static_cast<size_t>(image.Stride());
    for (int32_t row = image.Height() - 1; row >= 0; --row) {
        if (!sink.Write(bits + static_cast<size_t>(row) * stride, stride)) {
            return false;
        }
    }
    return true;
}

}  // namespace ovilux::image
