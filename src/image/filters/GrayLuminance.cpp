// GrayLuminance.cpp - gray mode 2 through the demosaic and luminance converters.
#include "image/filters/GrayLuminance.h"

#include "image/BayerMode.h"
#include "image/ChannelConverters.h"
#include "image/Demosaic.h"
#include "image/ImageLimits.h"

namespace ovilux::image::filters {

bool GrayToLuminance(DibImage& raw8, DibImage& colour24, const GainRecord& gains) {
    if (raw8.Bits() == nullptr || raw8.BitsPerPixel() != 8 || raw8.Width() < kDemosaicMinimumSize ||
        raw8.Height() < kDemosaicMinimumSize || !IsValidBayerMode(gains.bayerMode)) {
        return false;
    }
    if ((colour24.Bits() == nullptr || colour24.BitsPerPixel() != 24 || colour24.Width() != raw8.Width() ||
         colour24.Height() != raw8.Height()) &&
        colour24.Create(raw8.Width(), raw8.Height(), 24) == 0) {
        return false;
    }
    GainRecord record = gains;  // the converters take their parameter by a plain pointer
    return DibImage::ConvertBlit(&colour24, DemosaicInner8, &raw8, nullptr, &record, nullptr) != 0 &&
           DibImage::ConvertBlit(&colour24, DemosaicBorder8, &raw8, nullptr, &record, nullptr) != 0 &&
           DibImage::ConvertBlit(&raw8, Luminance24To8, &colour24, nullptr, nullptr, nullptr) != 0;
}

}  // namespace ovilux::image::filters
