// AviPaddingWriter.cpp - writes a two-frame AVI of a 5 x 3 picture, whose 15-byte rows are
// padded to 16, for the independent decoder to read. Pixel (x, y), y counted from the top,
// has blue, green, red = (x * 40 + y * 7 + c * 3) mod 256 for c = 0, 1, 2.
#include <cstdio>
#include <vector>

#include "image/files/AviWriter.h"

int main(int argc, char** argv) {
    constexpr int kWidth = 5, kHeight = 3, kStride = 16;
    if (argc != 2) {
        std::fprintf(stderr, "usage: avi_padding_writer FILE.avi\n");
        return 2;
    }
    std::vector<uint8_t> rows(kStride * kHeight, 0xEE);  // pad bytes that would show if read as pixels
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = &rows[(kHeight - 1 - y) * kStride];  // bottom-up
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                row[x * 3 + c] = static_cast<uint8_t>(x * 40 + y * 7 + c * 3);
            }
        }
    }
    ovilux::image::CAviWriter writer;
    const bool written = writer.Open(argv[1], kWidth, kHeight) && writer.AddFrame(rows.data()) &&
                         writer.AddFrame(rows.data()) && writer.Finalize(3000);
    return written ? 0 : 1;
}
