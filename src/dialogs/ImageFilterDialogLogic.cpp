// ImageFilterDialogLogic.cpp - the filter rows, their ranges and enable flags, and the buttons.
#include "dialogs/ImageFilterDialogLogic.h"

#include <algorithm>

#include "dialogs/GrayFilterPageLogic.h"
#include "session/Ovilux.h"

namespace ovilux::dialogs {

namespace {

using session::ImageFilterSettings;
using session::KeptInt;

struct FilterRowSpec {
    SliderRow range;
    KeptInt ImageFilterSettings::* field;
    bool colourOnly;
};

constexpr FilterRowSpec kRows[] = {
    {{-255, 255, 64}, &ImageFilterSettings::brightness, false},
    {{-127, 127, 32}, &ImageFilterSettings::contrast, false},
    {{-360, 360, 90}, &ImageFilterSettings::hue, true},
    {{-255, 255, 64}, &ImageFilterSettings::saturation, true},
    {{0, 30, 4}, &ImageFilterSettings::sharpness, false},
    {{0, 400, 32}, &ImageFilterSettings::bayerGainRed, true},
    {{0, 400, 32}, &ImageFilterSettings::bayerGainGreen, true},
    {{0, 400, 32}, &ImageFilterSettings::bayerGainBlue, true},
    {{0, 200, 32}, &ImageFilterSettings::gamma, false},
};

constexpr int32_t kDefaultFilterValues[] = {0, 0, 0, 0, 0, 100, 100, 100, 100};
constexpr int32_t kDefaultBayerMode = 1;
constexpr int32_t kBayerModes = 4;

const FilterRowSpec& Spec(FilterRow row) { return kRows[static_cast<size_t>(row)]; }

}  // namespace

CImageFilterDialogLogic::CImageFilterDialogLogic(session::COvilux& session)
    : session_(session), before_(session.ImageFilter()), monochrome_(session.GetColorMode() == 8 || session.GetColorMode() == 16) {}

void CImageFilterDialogLogic::Finish(bool confirmed) {
    if (!confirmed) {
        before_.RestoreInto(session_.ImageFilter());
        // A one-shot request made in the dialog must not outlive it either.
        session_.SetContinuousWhiteBalance(session_.ImageFilter().bayerGainAuto != 0);
    }
}

SliderRow CImageFilterDialogLogic::Range(FilterRow row) { return Spec(row).range; }

bool CImageFilterDialogLogic::RowEnabled(FilterRow row) const { return !(monochrome_ && Spec(row).colourOnly); }

int32_t CImageFilterDialogLogic::Value(FilterRow row) const { return (session_.ImageFilter().*Spec(row).field).load(); }

void CImageFilterDialogLogic::SetValue(FilterRow row, int32_t value) {
    const SliderRow& range = Spec(row).range;
    session_.ImageFilter().*Spec(row).field = std::clamp(value, range.minimum, range.maximum);
}

int32_t CImageFilterDialogLogic::BayerMode() const { return session_.ImageFilter().bayerMode; }

void CImageFilterDialogLogic::SetBayerMode(int32_t mode) {
    if (mode >= 0 && mode < kBayerModes) {
        session_.ImageFilter().bayerMode = mode;
    }
}

void CImageFilterDialogLogic::PressWhiteBalanceOnce() { session_.RequestOneShotWhiteBalance(); }

void CImageFilterDialogLogic::CheckWhiteBalanceAllFrames(bool checked) { session_.SetContinuousWhiteBalance(checked); }

bool CImageFilterDialogLogic::WhiteBalanceAllFrames() const { return session_.ImageFilter().bayerGainAuto != 0; }

void CImageFilterDialogLogic::Default() {
    for (int32_t row = 0; row < kFilterRowCount; ++row) {
        session_.ImageFilter().*kRows[row].field = kDefaultFilterValues[row];
    }
    session_.ImageFilter().bayerMode = kDefaultBayerMode;
    if (HasGrayPage()) {
        CGrayFilterPageLogic(session_).Default();
    }
}

}  // namespace ovilux::dialogs
