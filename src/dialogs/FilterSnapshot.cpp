// FilterSnapshot.cpp - every kept image-filter and gray-filter field, remembered and restored.
#include "dialogs/FilterSnapshot.h"

namespace ovilux::dialogs {

namespace {

using session::ImageFilterSettings;
using session::KeptInt;

constexpr KeptInt ImageFilterSettings::* kFields[] = {
    &ImageFilterSettings::brightness,   &ImageFilterSettings::contrast,       &ImageFilterSettings::hue,
    &ImageFilterSettings::saturation,   &ImageFilterSettings::sharpness,      &ImageFilterSettings::bayerGainRed,
    &ImageFilterSettings::bayerGainGreen, &ImageFilterSettings::bayerGainBlue, &ImageFilterSettings::gamma,
    &ImageFilterSettings::bayerMode,    &ImageFilterSettings::grayMode,       &ImageFilterSettings::grayGainR,
    &ImageFilterSettings::grayGainG1,   &ImageFilterSettings::grayGainG2,     &ImageFilterSettings::grayGainB,
    &ImageFilterSettings::grayOffsetR,  &ImageFilterSettings::grayOffsetG1,   &ImageFilterSettings::grayOffsetG2,
    &ImageFilterSettings::grayOffsetB,  &ImageFilterSettings::bayerGainAuto,  &ImageFilterSettings::grayGainCounter,
};

}  // namespace

CFilterSnapshot::CFilterSnapshot(const ImageFilterSettings& settings) {
    for (KeptInt ImageFilterSettings::* field : kFields) {
        values_.push_back((settings.*field).load());
    }
}

void CFilterSnapshot::RestoreInto(ImageFilterSettings& settings) const {
    for (size_t i = 0; i < values_.size(); ++i) {
        settings.*kFields[i] = values_[i];
    }
}

}  // namespace ovilux::dialogs
