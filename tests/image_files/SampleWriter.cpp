// SampleWriter.cpp - writes one file per depth and format of a known picture into the current
// folder, for check_samples.py to read back with decoders that share no code with the writers.
// The picture's formula is repeated in that script.
#include <cstdio>
#include <initializer_list>

#include "image/DibImage.h"
#include "image/files/ImageFileFormat.h"
#include "image/files/WriteImageFile.h"

using namespace ovilux::image;

namespace {

constexpr int32_t kWidth = 41;  // odd: rows that need padding in every depth but 32 and 64 bits
constexpr int32_t kHeight = 30;

// Smooth enough for JPEG, with a ripple in the low byte of 16-bit samples; the fourth channel
// is 0, as the library's colour images have it.
// A 12-bit sample, as the library's 16-bit buffers hold them.
uint32_t Sample12(int32_t x, int32_t y, int channel) {
    return channel == 3 ? 0 : x * 30 + y * 55 + channel * 600 + ((x * 7 + y * 3) & 15);
}

bool MakePicture(DibImage& image, uint16_t depth) {
    if (image.Create(kWidth, kHeight, depth) == 0) {
        return false;
    }
    const int channels = depth == 24 || depth == 48 ? 3 : depth == 32 || depth == 64 ? 4 : 1;
    const bool wide = depth == 16 || depth >= 48;
    for (int32_t y = 0; y < kHeight; ++y) {
        auto* row = static_cast<uint8_t*>(image.Bits()) + static_cast<ptrdiff_t>(y) * image.Stride();
        for (int32_t x = 0; x < kWidth; ++x) {
            for (int c = 0; c < channels; ++c) {
                const uint32_t value = Sample12(x, y, c);
                uint8_t* p = row + x * image.BytesPerPixel() + c * (wide ? 2 : 1);
                if (wide) {
                    p[0] = static_cast<uint8_t>(value);
                    p[1] = static_cast<uint8_t>(value >> 8);
                } else {
                    p[0] = static_cast<uint8_t>(value >> 4);
                }
            }
        }
    }
    return true;
}

}  // namespace

int main() {
    int failures = 0;
    for (uint16_t depth : {8, 16, 24, 32, 48, 64}) {
        DibImage image;
        if (!MakePicture(image, depth)) {
            std::fprintf(stderr, "no %u-bit image\n", depth);
            return 1;
        }
        for (int32_t format = 0; format < kFileFormatCount; ++format) {
            char name[32];
            std::snprintf(name, sizeof(name), "d%u_f%d.img", depth, format);
            if (WriteImageFile(name, image, format) != 1) {
                std::fprintf(stderr, "writing %s failed\n", name);
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
