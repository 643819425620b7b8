// DibImage.cpp - image buffers over DIB sections, and the clipping that runs converters.
#include "image/DibImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/ImageLimits.h"

namespace ovilux::image {

namespace {

bool IsSupportedDepth(uint16_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 8:
        case 16:
        case 24:
        case 32:
        case 48:
        case 64:
            return true;
        default:
            return false;
    }
}

// Bytes per row, rounded up to a multiple of 4; -1 when the image would not fit the limit.
int64_t RowStride(int64_t width, int64_t height, uint16_t bitsPerPixel) {
    const int64_t rowStride = (width * bitsPerPixel / 8 + 3) / 4 * 4;
    return rowStride * height > kMaxImageBytes ? -1 : rowStride;
}

void FillGrayTable(platform::RgbQuad* table) {
    for (uint32_t i = 0; i < platform::kColorTableEntries; ++i) {
        const auto level = static_cast<uint8_t>(i);
        table[i] = platform::RgbQuad{level, level, level, 0};
    }
}

platform::BitmapInfo EmptyHeader() {
    platform::BitmapInfo info{};
    info.bmiHeader.biSize = sizeof(platform::BitmapInfoHeader);
    return info;
}

}  // namespace

DibImage::DibImage()
    : header(EmptyHeader()),
      bitmap(nullptr),
      bits(nullptr),
      dc(nullptr),
      oldBitmap(nullptr),
      width(0),
      height(0),
      stride(0),
      bitsPerPixel(0),
      heapPixels(false) {}

DibImage::~DibImage() { Destroy(); }

int DibImage::Create(int32_t newWidth, int32_t newHeight, uint16_t newBitsPerPixel) {
    if (newWidth <= 0 || newHeight <= 0 || !IsSupportedDepth(newBitsPerPixel) ||
        RowStride(newWidth, newHeight, newBitsPerPixel) < 0) {
        Destroy();
        return 0;
    }
    platform::BitmapInfo format = EmptyHeader();
    format.bmiHeader.biWidth = newWidth;
    format.bmiHeader.biHeight = newHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = newBitsPerPixel;
    format.bmiHeader.biCompression = platform::kBiRgb;
    if (newBitsPerPixel == 8) {
        FillGrayTable(format.bmiColors);
    }
    return CreateFromHeader(format);
}

int DibImage::CopyFormat(const DibImage* other) {
    if (other == nullptr || other->width <= 0 || other->height <= 0 || other->bitsPerPixel == 0) {
        return 0;
    }
    const platform::BitmapInfo format = other->header;  // a copy: other may be this image
    return CreateFromHeader(format);
}

int DibImage::CreateFromHeader(const platform::BitmapInfo& format) {
    Destroy();
    header = format;
    width = format.bmiHeader.biWidth;
    height = format.bmiHeader.biHeight;
    bitsPerPixel = format.bmiHeader.biBitCount;
    stride = static_cast<int32_t>(RowStride(width, height, bitsPerPixel));
    bitmap = platform::CreateDibSection(header, &bits);
    if (bitmap == nullptr) {
        // Without a section the image still serves every converter; only GDI transfers need a DC.
        bits = std::calloc(static_cast<size_t>(ImageBytes()), 1);
        heapPixels = bits != nullptr;
        if (bits == nullptr) {
            Destroy();
            return 0;
        }
        return 1;
    }
    dc = platform::CreateMemoryDc();
    oldBitmap = dc != nullptr ? platform::SelectIntoDc(dc, bitmap) : nullptr;
    if (oldBitmap == nullptr) {
        Destroy();
        return 0;
    }
    return 1;
}

void DibImage::Destroy() {
    if (dc != nullptr) {
        if (oldBitmap != nullptr) {
            platform::SelectIntoDc(dc, oldBitmap);
        }
        platform::DeleteMemoryDc(dc);
    }
    if (bitmap != nullptr) {
        platform::DeleteDibSection(bitmap);
    }
    if (heapPixels) {
        std::free(bits);
    }
    header = EmptyHeader();
    bitmap = nullptr;
    bits = nullptr;
    dc = nullptr;
    oldBitmap = nullptr;
    width = 0;
    height = 0;
    stride = 0;
    bitsPerPixel = 0;
    heapPixels = false;
}

int DibImage::SetColorTable(int mode, uint32_t first, uint32_t count, const platform::RgbQuad* entries) {
    if (bits == nullptr || bitsPerPixel != 8) {
        return 0;
    }
    platform::RgbQuad gray[platform::kColorTableEntries];
    if (mode == kGrayTable) {
        FillGrayTable(gray);
        entries = gray;
        first = 0;
        count = platform::kColorTableEntries;
    } else if (mode != kGivenTable || entries == nullptr || first >= platform::kColorTableEntries) {
        return 0;
    }
    count = std::min(count, platform::kColorTableEntries - first);
    if (count == 0) {
        return 0;
    }
    // The header keeps the table too, so that it stays a true description of the pixels
    // (and so that an image without a DC still has one).
    std::memcpy(header.bmiColors + first, entries, count * sizeof(platform::RgbQuad));
    if (dc != nullptr && platform::SetDibColorTable(dc, first, count, entries) != count) {
        return 0;
    }
    return static_cast<int>(count);
}

int DibImage::Paint(const DibImage* source, const ImageRect* rectangle, int32_t x, int32_t y) {
    if (source == nullptr || dc == nullptr || source->dc == nullptr) {
        return 0;
    }
    const ImageRect r = rectangle != nullptr ? *rectangle : ImageRect{0, 0, source->width, source->height};
    const int64_t w = int64_t{r.right} - r.left;
    const int64_t h = int64_t{r.bottom} - r.top;
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) {
        return 0;
    }
    return platform::BitBlt(dc, x, y, static_cast<int32_t>(w), static_cast<int32_t>(h), source->dc, r.left, r.top) ? 1 : 0;
}

int DibImage::ConvertBlit(DibImage* destination, PixelConverter converter, const DibImage* source,
                          const ImageRect* rectangle, void* parameter1, void* parameter2, const ImagePoint* position) {
    if (destination == nullptr || converter == nullptr || source == nullptr || destination->bits == nullptr ||
        source->bits == nullptr) {
        return 0;
    }
    const int64_t srcW = source->width, srcH = source->height;
    const int64_t dstW = destination->width, dstH = destination->height;
    const ImageRect whole{0, 0, source->width, source->height};
    const ImageRect& r = rectangle != nullptr ? *rectangle : whole;
    int64_t left = r.left, top = r.top, right = r.right, bottom = r.bottom;
    // The destination rectangle is the source rectangle moved to the position.
    int64_t dstLeft = position != nullptr ? position->x : 0;
    int64_t dstTop = position != nullptr ? position->y : 0;
    const int64_t dstRight = dstLeft + (right - left);
    const int64_t dstBottom = dstTop + (bottom - top);
    if (dstRight <= 0 || dstBottom <= 0 || dstLeft >= dstW || dstTop >= dstH) {
        return 0;
    }
    // Whatever is cut from one side is cut from the other, so each source pixel keeps its
    // place in the destination whether the destination or the source did the clipping.
    if (dstLeft < 0) {
        left -= dstLeft;
        dstLeft = 0;
    }
    if (dstTop < 0) {
        top -= dstTop;
        dstTop = 0;
    }
    right -= std::max<int64_t>(0, dstRight - dstW);
    bottom -= std::max<int64_t>(0, dstBottom - dstH);
    if (left < 0) {
        dstLeft -= left;
        left = 0;
    }
    if (top < 0) {
        dstTop -= top;
        top = 0;
    }
    right = std::min(right, srcW);
    bottom = std::min(bottom, srcH);
    if (right <= left || bottom <= top) {
        return 0;
    }
    // Picture rows count from the top as shown, memory rows from the bottom of the picture.
    const ImageRect memoryRows{static_cast<int32_t>(left), static_cast<int32_t>(srcH - bottom), static_cast<int32_t>(right),
                               static_cast<int32_t>(srcH - top)};
    const auto dstY = static_cast<int32_t>(dstH - (dstTop + (bottom - top)));
    return converter(destination->bits, source->bits, memoryRows, static_cast<int32_t>(dstLeft), dstY,
                     destination->BytesPerPixel(), source->BytesPerPixel(), destination->stride, source->stride, parameter1,
                     parameter2);
}

int DibImage::Scale(DibImage* destination, PixelConverter converter, const DibImage* source) {
    if (destination == nullptr || converter == nullptr || source == nullptr || destination->bits == nullptr ||
        source->bits == nullptr) {
        return 0;
    }
    ImageRect destinationRect{0, 0, destination->width, destination->height};
    const ImageRect sourceRect{0, 0, source->width, source->height};
    return converter(destination->bits, source->bits, sourceRect, 0, 0, destination->BytesPerPixel(),
                     source->BytesPerPixel(), destination->stride, source->stride, &destinationRect, nullptr);
}

}  // namespace ovilux::image
