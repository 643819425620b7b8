// BmpLayout.cpp - BMP headers serialised field by field, whatever the host's struct layout.
#include "image/files/BmpLayout.h"

namespace ovilux::image {

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

}  // namespace

uint32_t BmpPixelOffset(uint16_t bitsPerPixel) {
    const uint32_t headers = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
    return bitsPerPixel <= 8 ? headers + kBmpColorTableBytes : headers;
}

std::vector<uint8_t> BmpHeaders(const DibImage& image) {
    const platform::BitmapInfoHeader& info = image.Header().bmiHeader;
    const uint32_t offset = BmpPixelOffset(image.BitsPerPixel());
    std::vector<uint8_t> out;
    out.reserve(offset);

    Put16(out, kBmpFileType);
    Put32(out, offset + static_cast<uint32_t>(image.ImageBytes()));
    Put16(out, 0);  // bfReserved1
    Put16(out, 0);  // bfReserved2
    Put32(out, offset);

    Put32(out, info.biSize);
    Put32(out, static_cast<uint32_t>(info.biWidth));
    Put32(out, static_cast<uint32_t>(info.biHeight));
    Put16(out, info.biPlanes);
    Put16(out, info.biBitCount);
    Put32(out, info.biCompression);
    Put32(out, info.biSizeImage);
    Put32(out, static_cast<uint32_t>(info.biXPelsPerMeter));
    Put32(out, static_cast<uint32_t>(info.biYPelsPerMeter));
    Put32(out, info.biClrUsed);
    Put32(out, info.biClrImportant);

    if (image.BitsPerPixel() <= 8) {
        for (const platform::RgbQuad& entry : image.Header().bmiColors) {
            out.push_back(entry.rgbBlue);
            out.push_back(entry.rgbGreen);
            out.push_back(entry.rgbRed);
            out.push_back(entry.rgbReserved);
        }
    }
    return out;
}

}  // namespace ovilux::image
