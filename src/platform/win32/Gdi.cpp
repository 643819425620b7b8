// Gdi.cpp - DIB sections, memory DCs and block transfers through the system's GDI.
#include "platform/Gdi.h"

#include <windows.h>

#include <atomic>

namespace ovilux::platform {

static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "header layout matches GDI's");
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD), "colour entries match GDI's");

namespace {

std::atomic<int> gInjectedFailures{0};

bool TakeInjectedFailure() {
    int expected = gInjectedFailures.load();
    while (expected > 0) {
        if (gInjectedFailures.compare_exchange_weak(expected, expected - 1)) {
            return true;
        }
    }
    return false;
}

}  // namespace

BitmapHandle CreateDibSection(const BitmapInfo& info, void** bits) {
    if (bits == nullptr) {
        return nullptr;
    }
    *bits = nullptr;
    if (TakeInjectedFailure()) {
        return nullptr;
    }
    HBITMAP bitmap = ::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
    if (bitmap == nullptr) {
        *bits = nullptr;
    }
    return bitmap;
}

bool DeleteDibSection(BitmapHandle bitmap) { return bitmap != nullptr && ::DeleteObject(static_cast<HBITMAP>(bitmap)) != 0; }

DcHandle CreateMemoryDc() { return ::CreateCompatibleDC(nullptr); }

bool DeleteMemoryDc(DcHandle dc) { return dc != nullptr && ::DeleteDC(static_cast<HDC>(dc)) != 0; }

BitmapHandle SelectIntoDc(DcHandle dc, BitmapHandle bitmap) {
    if (dc == nullptr || bitmap == nullptr) {
        return nullptr;
    }
    HGDIOBJ previous = ::SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(bitmap));
    return previous == HGDI_ERROR ? nullptr : previous;
}

uint32_t SetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, const RgbQuad* entries) {
    if (dc == nullptr || entries == nullptr) {
        return 0;
    }
    return ::SetDIBColorTable(static_cast<HDC>(dc), first, count, reinterpret_cast<const RGBQUAD*>(entries));
}

uint32_t GetDibColorTable(DcHandle dc, uint32_t first, uint32_t count, RgbQuad* entries) {
    if (dc == nullptr || entries == nullptr) {
        return 0;
    }
    return ::GetDIBColorTable(static_cast<HDC>(dc), first, count, reinterpret_cast<RGBQUAD*>(entries));
}

bool BitBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy) {
    if (dst == nullptr || src == nullptr) {
        return false;
    }
    return ::BitBlt(static_cast<HDC>(dst), x, y, width, height, static_cast<HDC>(src), sx, sy, SRCCOPY) != 0;
}

bool StretchBlt(DcHandle dst, int32_t x, int32_t y, int32_t width, int32_t height, DcHandle src, int32_t sx, int32_t sy,
                int32_t srcWidth, int32_t srcHeight) {
    if (dst == nullptr || src == nullptr) {
        return false;
    }
    return ::StretchBlt(static_cast<HDC>(dst), x, y, width, height, static_cast<HDC>(src), sx, sy, srcWidth, srcHeight,
                        SRCCOPY) != 0;
}

void FailNextDibSections(int count) { gInjectedFailures.store(count > 0 ? count : 0); }

}  // namespace ovilux::platform
