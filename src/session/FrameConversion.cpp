// FrameConversion.cpp - raw frame to application image.
#include "session/FrameConversion.h"

#include <cstring>

#include "image/BayerMode.h"
#include "image/Demosaic.h"
#include "image/filters/DotSuppression.h"
#include "image/filters/GrayLuminance.h"
#include "image/filters/HueSaturation.h"
#include "image/filters/Sharpen.h"
#include "image/filters/ToneCurves.h"
#include "image/filters/WhiteBalance.h"
#include "image/RawMirror.h"
#include "image/RowRepack.h"

namespace ovilux::session {

namespace {

namespace filters = image::filters;

bool IsColourMode(int32_t mode) { return mode >= 2 && mode <= 5; }

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

bool Demosaic(image::DibImage& output, const image::DibImage& raw, image::PixelConverter inner,
              image::PixelConverter border, const ConversionSettings& settings) {
    image::GainRecord gains = DemosaicGains(raw, settings);
    return image::DibImage::ConvertBlit(&output, inner, &raw, nullptr, &gains, nullptr) != 0 &&
           image::DibImage::ConvertBlit(&output, border, &raw, nullptr, &gains, nullptr) != 0;
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

// Steps that adjust the result image; each runs only away from its neutral value, since a
// neutral table is not always the identity (a gamma of 100 computed in floating point may
// round a sample down).
void AdjustResult(image::DibImage& result, const ConversionSettings& settings) {
    if (IsColourMode(settings.colourMode) && (settings.hue != 0 || settings.saturation != 0)) {
        filters::ShiftHueSaturation(result, settings.hue, settings.saturation);
    }
    if (settings.sharpness == 0) {
        filters::ApplyTones(result, settings.gamma, settings.contrast, settings.brightness);
        return;
    }
    if (settings.gamma != 100) {
        filters::ApplyGamma(result, settings.gamma);
    }
    if (settings.contrast != 0) {
        filters::ApplyContrast(result, settings.contrast);
    }
    filters::Sharpen(result, settings.sharpness);
    if (settings.brightness != 0) {
        filters::ApplyBrightness(result, settings.brightness);
    }
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
    bool converted = false;
    switch (settings.colourMode) {
        case 0:
        case 1:
            converted = result->Bits() != nullptr;
            break;
        case 2:
        case 3:
            converted =
                Demosaic(*result, images.raw8, image::DemosaicInner8, image::DemosaicBorder8, settings);
            break;
        case 4:
        case 5:
            converted =
                Demosaic(*result, images.raw16, image::DemosaicInner16, image::DemosaicBorder16, settings);
            break;
        default:
            return false;
    }
    if (converted) {
        AdjustResult(*result, settings);
    }
    return converted;
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
