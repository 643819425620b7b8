// Gdi.cpp - a software stand-in for the GDI calls the library makes: DIB sections on the
// heap, memory DCs that hold one of them, and SRCCOPY transfers with GDI's pixel conversions.
//
// Handles are checked against the set of live objects, as GDI checks its handle table, so a
// stale or foreign handle fails instead of being dereferenced. One lock covers the set and
// every operation on the objects in it.
#include "platform/Gdi.h"
#include "platform/posix/GdiExternalPixels.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace ovilux::platform {

namespace {

struct MemoryDc;

struct DibSection {
    BitmapInfo info;
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    bool bottomUp;
    int32_t stride;
    uint16_t bitCount;
    MemoryDc* selectedInto;
    bool ownsPixels;
};

struct MemoryDc {
    DibSection* selected;  // null while the DC holds its initial, empty bitmap
};

// What a fresh DC holds until a section is selected; handed back by the first selection.
DibSection gStockBitmap{};

std::mutex gLock;
std::unordered_set<const void*> gLiveObjects;
std::atomic<int> gInjectedFailures{0};

bool IsLive(const void* handle) { return handle != nullptr && gLiveObjects.count(handle) != 0; }

DibSection* SectionOf(DcHandle dc) {
    if (!IsLive(dc)) {
        return nullptr;
    }
    DibSection* section = static_cast<MemoryDc*>(dc)->selected;
    return section != nullptr && section->pixels != nullptr ? section : nullptr;
}

uint8_t* PixelAddress(const DibSection& s, int32_t x, int32_t y) {
    const int32_t row = s.bottomUp ? s.height - 1 - y : y;
    return s.pixels + static_cast<ptrdiff_t>(row) * s.stride + static_cast<ptrdiff_t>(x) * (s.bitCount / 8);
}

// Colours travel between formats as 0x00RRGGBB.
uint32_t ReadColour(const DibSection& s, int32_t x, int32_t y) {
    const uint8_t* p = PixelAddress(s, x, y);
    switch (s.bitCount) {
        case 8: {
            const RgbQuad& q = s.info.bmiColors[*p];
            return (uint32_t{q.rgbRed} << 16) | (uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
        }
        case 16: {
            // 5-5-5: each field widened by repeating its top bits, as GDI does.
            const uint32_t v = p[0] | (uint32_t{p[1]} << 8);
            const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            return (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
        }
        default:
            return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
}

uint8_t NearestTableIndex(const DibSection& s, uint32_t colour) {
    const int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < static_cast<int>(kColorTableEntries); ++i) {
        const RgbQuad& q = s.info.bmiColors[i];
        const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<uint8_t>(best);
}

void WriteColour(const DibSection& s, int32_t x, int32_t y, uint32_t colour) {
    uint8_t* p = PixelAddress(s, x, y);
    switch (s.bitCount) {
        case 8:
            *p = NearestTableIndex(s, colour);
            break;
        case 16: {
            const uint32_t v = (((colour >> 19) & 31) << 10) | (((colour >> 11) & 31) << 5) | ((colour >> 3) & 31);
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
            break;
        }
        case 32:
            p[3] = 0;
            [[fallthrough]];
        default:
            p[0] = static_cast<uint8_t>(colour);
            p[1] = static_cast<uint8_t>(colour >> 8);
            p[2] = static_cast<uint8_t>(colour >> 16);
            break;
    }
}

// Pixels whose bytes can be copied as they are: the same depth and, for 8 bits, the same table.
bool SameFormat(const DibSection& a, const DibSection& b) {
    if (a.bitCount != b.bitCount) {
        return false;
    }
    return a.bitCount != 8 || std::memcmp(a.info.bmiColors, b.info.bmiColors, sizeof(a.info.bmiColors)) == 0;
}

// The preview's transfers onto a 32-bit window image: 24-bit rows, and 8-bit rows through their
// colour table, widened a whole row at a time.
void ExpandRowTo32(uint8_t* out, const DibSection& src, const uint8_t* in, int32_t count) {
    if (src.bitCount == 24) {
        for (int32_t i = 0; i < count; ++i, in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = 0;
        }
        return;
    }
    for (int32_t i = 0; i < count; ++i, out += 4) {
        const RgbQuad& q = src.info.bmiColors[in[i]];
        out[0] = q.rgbBlue;
        out[1] = q.rgbGreen;
        out[2] = q.rgbRed;
        out[3] = 0;
    }
}

// One row of a transfer: count pixels from the source, stepping dir (+1 or -1) per pixel.
void CopyRow(const DibSection& dst, int32_t x, int32_t y, const DibSection& src, int32_t sx, int32_t sy, int32_t count,
             int32_t dir) {
    if (dir > 0 && SameFormat(dst, src)) {
        std::memmove(PixelAddress(dst, x, y), PixelAddress(src, sx, sy), static_cast<size_t>(count) * (dst.bitCount / 8));
        return;
    }
    if (dir > 0 && dst.bitCount == 32 && (src.bitCount == 24 || src.bitCount == 8) && &dst != &src) {
        ExpandRowTo32(PixelAddress(dst, x, y), src, PixelAddress(src, sx, sy), count);
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        WriteColour(dst, x + i, y, ReadColour(src, sx + i * dir, sy));
    }
}

// Clips one axis of a transfer: destination [d, d + n) and source [s, s + n) (or, mirrored,
// (s - n, s] walked downwards) to [0, dstLimit) and [0, srcLimit). False when nothing is left.
bool ClipAxis(int32_t& d, int32_t& s, int32_t& n, bool mirrored, int32_t dstLimit, int32_t srcLimit) {
    int64_t d0 = d, s0 = s, len = n;
    if (d0 < 0) {
        len += d0;
        s0 += mirrored ? d0 : -d0;
        d0 = 0;
    }
    len = std::min<int64_t>(len, dstLimit - d0);
    // Source positions visited: s0 + i (forward) or s0 - i (mirrored), for i in [0, len).
    if (!mirrored) {
        if (s0 < 0) {
            len += s0;
            d0 -= s0;
            s0 = 0;
        }
        len = std::min<int64_t>(len, srcLimit - s0);
    } else {
        if (s0 >= srcLimit) {
            const int64_t skip = s0 - (srcLimit - 1);
            len -= skip;
            d0 += skip;
            s0 = srcLimit - 1;
        }
        len = std::min<int64_t>(len, s0 + 1);
    }
    if (len <= 0) {
        return false;
    }
    d = static_cast<int32_t>(d0);
    s = static_cast<int32_t>(s0);
    n = static_cast<int32_t>(len);
    return true;
}

bool Transfer(DcHandle dstDc, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle srcDc, int32_t sx,
              int32_t sy, bool mirrorX, bool mirrorY) {
    const DibSection* dst = SectionOf(dstDc);
    const DibSection* src = SectionOf(srcDc);
    if (dst == nullptr || src == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    if (!ClipAxis(x, sx, width, mirrorX, dst->width, src->width) ||
        !ClipAxis(y, sy, height, mirrorY, dst->height, src->height)) {
        return true;  // nothing visible to copy is not an error for GDI
    }
    // Rows are walked so that a transfer within one bitmap reads each row before it is written.
    const bool backwards = dst == src && !mirrorY && y > sy;
    for (int32_t j = 0; j < height; ++j) {
        const int32_t row = backwards ? height - 1 - j : j;
        CopyRow(*dst, x, y + row, *src, sx, mirrorY ? sy - row : sy + row, width, mirrorX ? -1 : 1);
    }
    return true;
}

// The row stride and row count of a format the stand-in holds; false for any other.
bool Geometry(const BitmapInfo& info, int64_t* stride, int64_t* rows) {
    const BitmapInfoHeader& h = info.bmiHeader;
    const uint16_t depth = h.biBitCount;
    if (h.biSize != sizeof(BitmapInfoHeader) || h.biPlanes != 1 || h.biCompression != kBiRgb || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biHeight == INT32_MIN || (depth != 8 && depth != 16 && depth != 24 && depth != 32)) {
        return false;
    }
    *stride = ((int64_t{h.biWidth} * depth + 31) / 32) * 4;
    *rows = h.biHeight < 0 ? -int64_t{h.biHeight} : int64_t{h.biHeight};
    return *stride * *rows <= INT32_MAX;
}

// The section of a format Geometry accepted, over external pixels or (null) zeroed ones of its own.
DibSection* MakeSection(const BitmapInfo& info, int64_t stride, int64_t rows, uint8_t* external) {
    uint8_t* pixels =
        external != nullptr ? external : static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride * rows), 1));
    if (pixels == nullptr) {
        return nullptr;
    }
    auto* section = new DibSection{};
    section->pixels = pixels;
    section->ownsPixels = external == nullptr;
    section->info = info;
    section->width = info.bmiHeader.biWidth;
    section->height = static_cast<int32_t>(rows);
    section->bottomUp = info.bmiHeader.biHeight > 0;
    section->stride = static_cast<int32_t>(stride);
    section->bitCount = info.bmiHeader.biBitCount;
    std::lock_guard<std::mutex> lock(gLock);
    gLiveObjects.insert(section);
    return section;
}

}  // namespace

BitmapHandle CreateDibSection(const BitmapInfo& info, void** bits) {
    if (bits != nullptr) {
        *bits = nullptr;
    }
    int64_t stride = 0, rows = 0;
    if (bits == nullptr || !Geometry(info, &stride, &rows)) {
        return nullptr;
    }
    int expected = gInjectedFailures.load();
    while (expected > 0) {
        if (gInjectedFailures.compare_exchange_weak(expected, expected - 1)) {
            return nullptr;
        }
    }
    DibSection* section = MakeSection(info, stride, rows, nullptr);
    if (section != nullptr) {
        *bits = section->pixels;
    }
    return section;
}

BitmapHandle CreateDibSectionOver(const BitmapInfo& info, void* pixels) {
    int64_t stride = 0, rows = 0;
    if (pixels == nullptr || !Geometry(info, &stride, &rows)) {
        return nullptr;
    }
    return MakeSection(info, stride, rows, static_cast<uint8_t*>(pixels));
}

bool DeleteDibSection(BitmapHandle bitmap) {
    std::lock_guard<std::mutex> lock(gLock);
    auto* section = static_cast<DibSection*>(bitmap);
    if (!IsLive(bitmap) || section->selectedInto != nullptr) {
        return false;
    }
    gLiveObjects.erase(bitmap);
    if (section->ownsPixels) {
        std::free(section->pixels);
    }
    delete section;
    return true;
}

DcHandle CreateMemoryDc() {
    auto* dc = new MemoryDc{&gStockBitmap};
    std::lock_guard<std::mutex> lock(gLock);
    gLiveObjects.insert(dc);
    return dc;
}

bool DeleteMemoryDc(DcHandle dc) {
    std::lock_guard<std::mutex> lock(gLock);
    if (!IsLive(dc)) {
        return false;
    }
    auto* memoryDc = static_cast<MemoryDc*>(dc);
    if (memoryDc->selected != &gStockBitmap) {
        memoryDc->selected->selectedInto = nullptr;  // GDI frees the DC and leaves the bitmap usable
    }
    gLiveObjects.erase(dc);
    delete memoryDc;
    return true;
}

BitmapHandle SelectIntoDc(DcHandle dc, BitmapHandle bitmap) {
    std::lock_guard<std::mutex> lock(gLock);
    auto* section = static_cast<DibSection*>(bitmap);
    if (!IsLive(dc) || (bitmap != &gStockBitmap && !IsLive(bitmap))) {
        return nullptr;
    }
    auto* memoryDc = static_cast<MemoryDc*>(dc);
    if (section != &gStockBitmap && section->selectedInto != nullptr && section->selectedInto != memoryDc) {
        return nullptr;
    }
    DibSection* previous = memoryDc->selected;
    if (previous != &gStockBitmap) {
        previous->selectedInto = nullptr;
    }
    memoryDc->selected = section;
    if (section != &gStockBitmap) {
        section->selectedInto = memoryDc;
    }
    return previous;
}

uint32_t SetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, const RgbQuad* entries) {
    std::lock_guard<std::mutex> lock(gLock);
    DibSection* section = SectionOf(dc);
    if (section == nullptr || section->bitCount > 8 || entries == nullptr || first >= kColorTableEntries) {
        return 0;
    }
    count = std::min(count, kColorTableEntries - first);
    std::memcpy(section->info.bmiColors + first, entries, count * sizeof(RgbQuad));
    return count;
}

uint32_t GetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, RgbQuad* entries) {
    std::lock_guard<std::mutex> lock(gLock);
    const DibSection* section = SectionOf(dc);
    if (section == nullptr || section->bitCount > 8 || entries == nullptr || first >= kColorTableEntries) {
        return 0;
    }
    count = std::min(count, kColorTableEntries - first);
    std::memcpy(entries, section->info.bmiColors + first, count * sizeof(RgbQuad));
    return count;
}

bool BitBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy) {
    std::lock_guard<std::mutex> lock(gLock);
    return Transfer(dst, x, y, width, height, src, sx, sy, false, false);
}

bool StretchBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy,
                int32_t srcWidth, int32_t srcHeight) {
    // One-to-one copies only, the destination walked forwards; a negative source extent walks
    // the source backwards from its origin, the origin's own row or column included, as GDI does.
    if (width <= 0 || height <= 0 || (srcWidth != width && srcWidth != -width) ||
        (srcHeight != height && srcHeight != -height)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(gLock);
    return Transfer(dst, x, y, width, height, src, sx, sy, srcWidth < 0, srcHeight < 0);
}

void FailNextDibSections(int count) { gInjectedFailures.store(count > 0 ? count : 0); }

}  // namespace ovilux::platform
