// FrameConversion.cpp - raw frame to application image.
#include "session/FrameConversion.h"

#include <cstring>

#include "image/BayerMode.h"
#include "image/filters/DotSuppression.h"
#include "image/filters/GrayLuminance.h"
#include "image/filters/WhiteBalance.h"
#include "image/RawMirror.h"
#include "image/RowRepack.h"

namespace ovilux::session {

namespace {

namespace filters = image::filters;

bool IsColourMode(int32_t mode) { return mode >= 2 && mode <= 5; }

// The chain's rows are shared between the converting thread and one helper: with the camera's
// transfer thread beside them, a frame is read while the last one is converted on both cores.
constexpr int32_t kConversionThreads = 2;

// The Bayer mode the demosaic reads: the kept one, exchanged for the mirrors the camera made
// and for those made here on an even dimension.
int32_t DemosaicBayerMode(const image::DibImage& raw, const ConversionSettings& settings) {
    return image::BayerModeAfterMirroring(settings.bayerMode, settings.mirror, raw.Width(), raw.Height());
}

image::GainRecord DemosaicGains(const image::DibImage& raw, const ConversionSettings& settings) {
    return image::GainRecord{DemosaicBayerMode(raw, settings), settings.redGain, settings.greenGain,
                             settings.blueGain};
}

// The gains as set, with the Bayer mode as kept (not adjusted for mirroring): what the raw
// corrections read.
image::GainRecord KeptGains(const ConversionSettings& settings) {
    return image::GainRecord{settings.bayerMode, settings.redGain, settings.greenGain, settings.blueGain};
}

// Gray mode 2 demosaics into the 24-bit image as scratch; in the monochrome mode that image is
// not the result, so it is sized here when it does not fit.
bool FitColourScratch(ImageBuffers& images) {
    image::DibImage& scratch = images.out24;
    const image::DibImage& raw = images.raw8;
    if (scratch.Bits() != nullptr && scratch.Width() == raw.Width() && scratch.Height() == raw.Height()) {
        return true;
    }
    images.MarkHolding(scratch, false);
    return scratch.Create(raw.Width(), raw.Height(), 24) != 0;
}

// The gray modes of the monochrome colour modes, with the gray-gain measurement first. Gray
// mode 2 acts on 8-bit frames only: the luminance it computes would go to the 8-bit buffer,
// which is not the 16-bit mode's image.
bool ApplyGrayMode(ImageBuffers& images, ConversionSettings& settings, image::DibImage& raw) {
    bool measured = false;
    if (settings.grayMode == kGrayModeGains) {
        if (settings.grayGainCounter != 0) {
            measured = filters::MeasureGrayGains(raw, settings.gray);
        }
        filters::ApplyGrayGains(raw, settings.gray);
    } else if (settings.grayMode == kGrayModeLuminance && settings.colourMode == 0 && FitColourScratch(images)) {
        // The frame has the camera's mirrors in it but not yet the software ones: its colours
        // sit where the mode as arrived says.
        image::GainRecord gains = KeptGains(settings);
        gains.bayerMode = image::BayerModeAsArrived(settings.bayerMode, settings.mirror);
        filters::GrayToLuminance(raw, images.out24, gains);
    }
    return measured;
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

RawMeasurements CorrectRawFrame(ImageBuffers& images, ConversionSettings& settings) {
    RawMeasurements measured;
    image::DibImage& raw = images.RawOf(settings.colourMode);
    if (raw.Bits() == nullptr) {
        return measured;
    }
    constexpr int32_t kNoDotSuppression = 0x10;
    if ((settings.subSample & kNoDotSuppression) == 0) {
        filters::SuppressIsolatedDots(raw, KeptGains(settings));
    }
    if (!IsColourMode(settings.colourMode)) {
        measured.grayGains = ApplyGrayMode(images, settings, raw);
    }
    image::MirrorRawBuffer(raw, settings.mirror);
    if (IsColourMode(settings.colourMode) && settings.whiteBalance) {
        measured.whiteBalance =
            filters::MeasureWhiteBalance(raw, DemosaicBayerMode(raw, settings), settings.redGain, settings.blueGain);
    }
    return measured;
}

bool ConvertFrame(ImageBuffers& images, const ConversionSettings& settings) {
    image::DibImage* result = images.ResultOf(settings.colourMode);
    const image::DibImage* raw = nullptr;
    switch (settings.colourMode) {
        case 0:
        case 1:
            // The monochrome modes adjust the raw buffer itself.
            if (result->Bits() == nullptr) {
                return false;
            }
            break;
        case 2:
        case 3:
            raw = &images.raw8;
            break;
        case 4:
        case 5:
            raw = &images.raw16;
            break;
        default:
            return false;
    }
    const image::GainRecord gains = raw != nullptr ? DemosaicGains(*raw, settings) : KeptGains(settings);
    return filters::DemosaicAndAdjust(*result, raw, gains, settings.adjustments, 0, kConversionThreads);
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
