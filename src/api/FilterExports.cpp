// FilterExports.cpp - the general filter-value exports and every named getter and setter,
// each the general form with its fixed index.
#include "OviluxSdk.h"
#include "api/Dispatch.h"

using ovilux::api::Dispatch;
using ovilux::api::kFailure;
using ovilux::session::COvilux;

namespace {

constexpr int32_t kChannels = 4;

bool IsChannel(int32_t channel, int32_t* ok) {
    if (channel >= 1 && channel <= kChannels) {
        return true;
    }
    if (ok != nullptr) {
        *ok = 0;
    }
    return false;
}

}  // namespace

extern "C" int32_t Ovilux_GetFilterValue(uint32_t handle, int32_t index, int32_t* ok) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.GetFilterValue(index, ok); });
}

extern "C" int32_t Ovilux_SetFilterValue(uint32_t handle, int32_t index, int32_t value) {
    return Dispatch(handle, kFailure, [&](COvilux& s) { return s.SetFilterValue(index, value); });
}

#define OVILUX_FILTER_GETTER(Name, Index)                                          \
    extern "C" int32_t Ovilux_Get##Name(uint32_t handle, int32_t* ok) {            \
        return Ovilux_GetFilterValue(handle, Index, ok);                          \
    }
#define OVILUX_FILTER_SETTER(Name, Index)                                          \
    extern "C" int32_t Ovilux_Set##Name(uint32_t handle, int32_t value) {          \
        return Ovilux_SetFilterValue(handle, Index, value);                       \
    }
#define OVILUX_FILTER_PAIR(Name, Index) \
    OVILUX_FILTER_GETTER(Name, Index)   \
    OVILUX_FILTER_SETTER(Name, Index)

OVILUX_FILTER_PAIR(Brightness, OVILUX_FILTER_BRIGHTNESS)
OVILUX_FILTER_PAIR(Contrast, OVILUX_FILTER_CONTRAST)
OVILUX_FILTER_PAIR(Hue, OVILUX_FILTER_HUE)
OVILUX_FILTER_PAIR(Saturation, OVILUX_FILTER_SATURATION)
OVILUX_FILTER_PAIR(Sharpness, OVILUX_FILTER_SHARPNESS)
OVILUX_FILTER_PAIR(BayerGainRGB, OVILUX_FILTER_BAYER_GAIN_RGB)
OVILUX_FILTER_PAIR(BayerGainRed, OVILUX_FILTER_BAYER_GAIN_RED)
OVILUX_FILTER_PAIR(BayerGainGreen, OVILUX_FILTER_BAYER_GAIN_GREEN)
OVILUX_FILTER_PAIR(BayerGainBlue, OVILUX_FILTER_BAYER_GAIN_BLUE)
OVILUX_FILTER_PAIR(BayerGainAuto, OVILUX_FILTER_BAYER_GAIN_AUTO)
OVILUX_FILTER_PAIR(Gamma, OVILUX_FILTER_GAMMA)
OVILUX_FILTER_PAIR(BayerMode, OVILUX_FILTER_BAYER_MODE)
OVILUX_FILTER_PAIR(GlobalGain, OVILUX_FILTER_GLOBAL_GAIN)
OVILUX_FILTER_PAIR(ColorGainRed, OVILUX_FILTER_COLOR_GAIN_RED)
OVILUX_FILTER_PAIR(ColorGainGreen1, OVILUX_FILTER_COLOR_GAIN_GREEN1)
OVILUX_FILTER_PAIR(ColorGainGreen2, OVILUX_FILTER_COLOR_GAIN_GREEN2)
OVILUX_FILTER_PAIR(ColorGainBlue, OVILUX_FILTER_COLOR_GAIN_BLUE)
OVILUX_FILTER_PAIR(ExposureTime, OVILUX_FILTER_EXPOSURE_TIME)
OVILUX_FILTER_PAIR(GrayMode, OVILUX_FILTER_GRAY_MODE)
OVILUX_FILTER_PAIR(GrayGainR, OVILUX_FILTER_GRAY_GAIN_R)
OVILUX_FILTER_PAIR(GrayGainG1, OVILUX_FILTER_GRAY_GAIN_G1)
OVILUX_FILTER_PAIR(GrayGainG2, OVILUX_FILTER_GRAY_GAIN_G2)
OVILUX_FILTER_PAIR(GrayGainB, OVILUX_FILTER_GRAY_GAIN_B)
OVILUX_FILTER_PAIR(GrayOffsetR, OVILUX_FILTER_GRAY_OFFSET_R)
OVILUX_FILTER_PAIR(GrayOffsetG1, OVILUX_FILTER_GRAY_OFFSET_G1)
OVILUX_FILTER_PAIR(GrayOffsetG2, OVILUX_FILTER_GRAY_OFFSET_G2)
OVILUX_FILTER_PAIR(GrayOffsetB, OVILUX_FILTER_GRAY_OFFSET_B)
OVILUX_FILTER_PAIR(Peltier, OVILUX_FILTER_PELTIER)
OVILUX_FILTER_GETTER(Temperature, OVILUX_FILTER_TEMPERATURE)
OVILUX_FILTER_PAIR(DotFilter, OVILUX_FILTER_DOT_FILTER)
OVILUX_FILTER_PAIR(MaskFilter, OVILUX_FILTER_MASK_FILTER)

// Channels 1 to 4 map to their indices; other channel numbers are refused without a code.
extern "C" int32_t Ovilux_GetChannelGain(uint32_t handle, int32_t channel, int32_t* ok) {
    if (!IsChannel(channel, ok)) {
        return 0;
    }
    return Ovilux_GetFilterValue(handle, OVILUX_FILTER_CHANNEL_GAIN1 + channel - 1, ok);
}

extern "C" int32_t Ovilux_SetChannelGain(uint32_t handle, int32_t channel, int32_t value) {
    if (!IsChannel(channel, nullptr)) {
        return 0;
    }
    return Ovilux_SetFilterValue(handle, OVILUX_FILTER_CHANNEL_GAIN1 + channel - 1, value);
}

extern "C" int32_t Ovilux_GetChannelOffset(uint32_t handle, int32_t channel, int32_t* ok) {
    if (!IsChannel(channel, ok)) {
        return 0;
    }
    return Ovilux_GetFilterValue(handle, OVILUX_FILTER_CHANNEL_OFFSET1 + channel - 1, ok);
}

extern "C" int32_t Ovilux_SetChannelOffset(uint32_t handle, int32_t channel, int32_t value) {
    if (!IsChannel(channel, nullptr)) {
        return 0;
    }
    return Ovilux_SetFilterValue(handle, OVILUX_FILTER_CHANNEL_OFFSET1 + channel - 1, value);
}
