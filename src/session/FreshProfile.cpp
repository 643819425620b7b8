// FreshProfile.cpp - the defaults of a fresh user profile.
#include "session/FreshProfile.h"

#include "camera/OviluxUXBase.h"

namespace ovilux::session {

namespace {

constexpr int32_t kLinearGamma = 100;
constexpr int32_t kDefaultBayerMode = 1;
constexpr int32_t kUnityGrayGain = 128;
constexpr int32_t kDefaultGrayOffset = 128;

}  // namespace

void LoadFreshImageFilter(ImageFilterSettings& filter) {
    filter.brightness = 0;
    filter.contrast = 0;
    filter.hue = 0;
    filter.saturation = 0;
    filter.sharpness = 0;
    filter.bayerGainRed = kUnityBayerGain;
    filter.bayerGainGreen = kUnityBayerGain;
    filter.bayerGainBlue = kUnityBayerGain;
    filter.gamma = kLinearGamma;
    filter.bayerMode = kDefaultBayerMode;
    filter.bayerGainAuto = 0;
}

void LoadFreshGrayFilter(ImageFilterSettings& filter) {
    filter.grayMode = 0;
    filter.grayGainR = kUnityGrayGain;
    filter.grayGainG1 = kUnityGrayGain;
    filter.grayGainG2 = kUnityGrayGain;
    filter.grayGainB = kUnityGrayGain;
    filter.grayOffsetR = kDefaultGrayOffset;
    filter.grayOffsetG1 = kDefaultGrayOffset;
    filter.grayOffsetG2 = kDefaultGrayOffset;
    filter.grayOffsetB = kDefaultGrayOffset;
}

void LoadFreshAnalog(AnalogSettings& analog, camera::COviluxUXBase& camera) {
    int32_t value = 0;
    camera.GetGlobalGainDefault(&value);
    analog.globalGain = value;
    value = 0;
    camera.GetColorGainDefault(&value);
    analog.colorGainGreen1 = value;
    analog.colorGainRed = value;
    analog.colorGainBlue = value;
    analog.colorGainGreen2 = value;
    value = 0;
    camera.GetRealExposureDefault(&value);
    analog.exposure = value;
    analog.mirrorV = camera.GetMirrorDefaultV() != 0 ? 1 : 0;
    analog.mirrorH = camera.GetMirrorDefaultH() != 0 ? 1 : 0;
    analog.autoIris = 0;
    analog.gainMode = 0;
    value = 0;
    camera.GetLevelDefault(&value);
    analog.blackLevel = value;
    double seconds = 0.0;
    if (camera.IsExposureSecondsSupported() && camera.GetExposureSecondsDefault(&seconds)) {
        analog.exposureSeconds = seconds;
    }
}

}  // namespace ovilux::session
