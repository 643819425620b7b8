// WindowScreenshot.cpp - a window's pixels saved as PNG through the library's image writers.
#include "image/DibImage.h"
#include "image/files/WriteImageFile.h"
#include "support/WindowProbe.h"

namespace ovilux::test {

int32_t SaveScreenshot(const std::string& path, const WindowPixels& pixels) {
    image::DibImage picture;
    if (pixels.width <= 0 || pixels.height <= 0 || picture.Create(pixels.width, pixels.height, 24) == 0) {
        return 0;
    }
    // PNG rows go out in memory order, the top row first.
    for (int32_t y = 0; y < pixels.height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(picture.Bits()) + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < pixels.width; ++x) {
            const uint32_t c = pixels.At(x, y);
            row[x * 3] = static_cast<uint8_t>(c);
            row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    constexpr int32_t kPngFormat = 5;
    return image::WriteImageFile(path.c_str(), picture, kPngFormat);
}

}  // namespace ovilux::test
