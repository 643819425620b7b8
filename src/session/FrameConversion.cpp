// FrameConversion.cpp - raw frame to application image.
#include "session/FrameConversion.h"

#include <cstring>

#include "image/BayerMode.h"
#include "image/Demosaic.h"
#include "image/RowRepack.h"

namespace ovilux::session {

namespace {

bool Demosaic(image::DibImage& output, const image::DibImage& raw, image::PixelConverter inner,
              image::PixelConverter border, const ConversionSettings& settings) {
    image::GainRecord gains{
        image::AdjustBayerModeForMirror(settings.bayerMode, settings.mirrorH, settings.mirrorV),
        settings.redGain, settings.greenGain, settings.blueGain};
    return image::DibImage::ConvertBlit(&output, inner, &raw, nullptr, &gains, nullptr) != 0 &&
           image::DibImage::ConvertBlit(&output, border, &raw, nullptr, &gains, nullptr) != 0;
}

}  // namespace

void RepackRawFrame(image::DibImage& raw) {
    const int64_t packedRow = int64_t{raw.Width()} * raw.BytesPerPixel();
    if (raw.Bits() == nullptr || packedRow == raw.Stride()) {
        return;
    }
    image::DibImage::ConvertBlit(&raw, raw.BitsPerPixel() == 16 ? image::RepackRows16 : image::RepackRows8, &raw,
                                 nullptr, nullptr, nullptr);
}

bool ConvertFrame(ImageBuffers& images, const ConversionSettings& settings) {
    switch (settings.colourMode) {
        case 0:
            return images.raw8.Bits() != nullptr;
        case 1:
            return images.raw16.Bits() != nullptr;
        case 2:
            return Demosaic(images.out24, images.raw8, image::DemosaicInner8, image::DemosaicBorder8, settings);
        case 3:
            return Demosaic(images.out32, images.raw8, image::DemosaicInner8, image::DemosaicBorder8, settings);
        case 4:
            return Demosaic(images.out48, images.raw16, image::DemosaicInner16, image::DemosaicBorder16, settings);
        case 5:
            return Demosaic(images.out64, images.raw16, image::DemosaicInner16, image::DemosaicBorder16, settings);
        default:
            return false;
    }
}

bool CopyImageTo(const image::DibImage& source, void* buffer, int32_t size, int32_t rowOrder) {
    const int64_t bytes = source.ImageBytes();
    if (buffer == nullptr || source.Bits() == nullptr || size < bytes) {
        return false;
    }
    if (rowOrder != 0) {
        std::memcpy(buffer, source.Bits(), static_cast<size_t>(bytes));
        return true;
    }
    const auto* from = static_cast<const uint8_t*>(source.Bits());
    auto* to = static_cast<uint8_t*>(buffer);
    const size_t stride = static_cast<size_t>(source.Stride());
    const int32_t rows = source.Height();
    for (int32_t row = 0; row < rows; ++row) {
        std::memcpy(to + static_cast<size_t>(row) * stride, from + static_cast<size_t>(rows - 1 - row) * stride, stride);
    }
    return true;
}

}  // namespace ovilux::session
