// Gdi.h - the bitmaps the library draws into: DIB sections, memory device contexts, colour
// tables and the two block transfers it uses (BitBlt and StretchBlt, both SRCCOPY).
#pragma once

#include <cstdint>

namespace ovilux::platform {

using BitmapHandle = void*;
using DcHandle = void*;

// Field for field the layout of BITMAPINFOHEADER (40 bytes).
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;  // positive: bottom-up rows, the last memory row is the top of the picture
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

// RGBQUAD: one colour-table entry.
struct RgbQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

constexpr uint32_t kColorTableEntries = 256;
constexpr uint32_t kBiRgb = 0;

// A header followed by a full colour table: a complete BITMAPINFO for every depth up to 8 bits.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[kColorTableEntries];
};

static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(BitmapInfo) == 40 + 4 * kColorTableEntries, "no padding before the colour table");

// A device-independent bitmap of 8, 16 (5-5-5), 24 or 32 bits per pixel, uncompressed, with
// zero-filled pixels owned by the section; *bits receives them. Null (and *bits null) when the
// format is not one GDI can hold (48 and 64 bits are not) or the system refuses.
BitmapHandle CreateDibSection(const BitmapInfo& info, void** bits);
// False for a bitmap that is still selected into a device context, or not a bitmap.
bool DeleteDibSection(BitmapHandle bitmap);

// A memory device context compatible with the screen, with no bitmap of ours selected.
DcHandle CreateMemoryDc();
bool DeleteMemoryDc(DcHandle dc);
// Selects a bitmap into a memory DC and returns the bitmap it displaced (select that one back
// before deleting the DC); null on failure, for example when the bitmap is selected elsewhere.
BitmapHandle SelectIntoDc(DcHandle dc, BitmapHandle bitmap);

// Colour table of the 8-bit section selected into dc; the number of entries set or read.
uint32_t SetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, const RgbQuad* entries);
uint32_t GetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, RgbQuad* entries);

// SRCCOPY of the source rectangle at (sx, sy), width x height, to (x, y). Coordinates count
// rows from the top of the picture as shown. Depths are converted; an 8-bit source is
// expanded through its colour table.
bool BitBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy);
// SRCCOPY with mirroring: a negative source extent walks the source backwards from its
// origin, the origin's row (column) being the first one copied. Rows 0 .. height - 1 therefore
// arrive reversed from a source origin of (0, height - 1) with height -height; an origin of
// (0, height) would start outside the bitmap and lose the first row. The portable build copies
// at one-to-one size into positive destination extents only and fails for anything else.
bool StretchBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy,
                int32_t srcWidth, int32_t srcHeight);

// For tests: the next count calls of CreateDibSection fail as if the system had refused.
void FailNextDibSections(int count);

}  // namespace ovilux::platform
