// GrayFilterPageLogic.cpp - the gray rows, modes and automatic gain on the session's settings.
#include "dialogs/GrayFilterPageLogic.h"

#include <algorithm>

#include "session/Ovilux.h"

namespace ovilux::dialogs {

namespace {

using session::ImageFilterSettings;
using session::KeptInt;

constexpr KeptInt ImageFilterSettings::* kRowFields[] = {
    &ImageFilterSettings::grayGainR,   &ImageFilterSettings::grayGainG1,   &ImageFilterSettings::grayGainG2,
    &ImageFilterSettings::grayGainB,   &ImageFilterSettings::grayOffsetR,  &ImageFilterSettings::grayOffsetG1,
    &ImageFilterSettings::grayOffsetG2, &ImageFilterSettings::grayOffsetB,
};

constexpr SliderRow kGainRange{0, 400, 32};
constexpr SliderRow kOffsetRange{-255, 255, 32};
constexpr int32_t kGrayModes = 3;
constexpr int32_t kBayerModes = 4;
constexpr int32_t kAutoGainOnce = 1;
constexpr int32_t kAutoGainEveryFrame = -1;

KeptInt& Field(session::COvilux& session, GrayRow row) {
    return session.ImageFilter().*kRowFields[static_cast<size_t>(row)];
}

}  // namespace

SliderRow CGrayFilterPageLogic::Range(GrayRow row) { return row < GrayRow::OffsetR ? kGainRange : kOffsetRange; }

int32_t CGrayFilterPageLogic::Value(GrayRow row) const { return Field(session_, row).load(); }

void CGrayFilterPageLogic::SetValue(GrayRow row, int32_t value) {
    const SliderRow range = Range(row);
    Field(session_, row) = std::clamp(value, range.minimum, range.maximum);
}

int32_t CGrayFilterPageLogic::GrayMode() const { return session_.ImageFilter().grayMode; }

void CGrayFilterPageLogic::SetGrayMode(int32_t mode) {
    if (mode >= 0 && mode < kGrayModes) {
        session_.ImageFilter().grayMode = mode;
    }
}

int32_t CGrayFilterPageLogic::BayerMode() const { return session_.ImageFilter().bayerMode; }

void CGrayFilterPageLogic::SetBayerMode(int32_t mode) {
    if (mode >= 0 && mode < kBayerModes) {
        session_.ImageFilter().bayerMode = mode;
    }
}

int32_t CGrayFilterPageLogic::AutoGain() const { return session_.ImageFilter().grayGainCounter; }

void CGrayFilterPageLogic::PressAutoGainOnce() { session_.ImageFilter().grayGainCounter = kAutoGainOnce; }

void CGrayFilterPageLogic::ToggleAutoGainAllFrames() {
    session::KeptInt& word = session_.ImageFilter().grayGainCounter;
    word = word == 0 ? kAutoGainEveryFrame : 0;
}

void CGrayFilterPageLogic::Default() {
    for (int32_t row = 0; row < kGrayRowCount; ++row) {
        Field(session_, static_cast<GrayRow>(row)) = kUnityGray;
    }
}

}  // namespace ovilux::dialogs
