// OviluxFrameChain.cpp - one frame through the session's chain: taken from the camera, judged
// by auto iris, corrected, converted and adjusted, with what the chain measured kept.
#include <algorithm>

#include "camera/OviluxUXBase.h"
#include "session/AutoIris.h"
#include "session/Ovilux.h"

namespace ovilux::session {

ConversionSettings COvilux::CurrentConversion(int32_t colourMode) const {
    const ImageFilterSettings& f = filter_;
    return ConversionSettings{
        colourMode,
        f.bayerMode,
        f.bayerGainRed,
        f.bayerGainGreen,
        f.bayerGainBlue,
        image::MirrorState{analog_.mirrorH != 0, analog_.mirrorV != 0, cameraMirrorsH_, cameraMirrorsV_},
        subSample_,
        f.bayerGainAuto != 0,
        f.grayMode,
        f.grayGainCounter,
        image::filters::GrayRecord{f.bayerMode, f.grayGainR, f.grayGainG1, f.grayGainG2, f.grayGainB, f.grayOffsetR,
                                   f.grayOffsetG1, f.grayOffsetG2, f.grayOffsetB,
                                   IsSixteenBitMode(colourMode) ? 12 : 8},
        image::filters::Adjustments{f.hue, f.saturation, f.gamma, f.contrast, f.sharpness, f.brightness}};
}

void COvilux::SetDialogRefresh(CDialogRefresh* refresh) {
    platform::CriticalSectionLock guard(refreshLock_);
    dialogRefresh_ = refresh;
}

template <typename Tell>
void COvilux::TellDialog(Tell tell) {
    platform::CriticalSectionLock guard(refreshLock_);
    if (dialogRefresh_ != nullptr) {
        tell(*dialogRefresh_);
    }
}

void COvilux::KeepMeasurements(const RawMeasurements& measured, const ConversionSettings& settings) {
    if (measured.whiteBalance) {
        filter_.bayerGainRed = settings.redGain;
        filter_.bayerGainGreen = kUnityBayerGain;
        filter_.bayerGainBlue = settings.blueGain;
        // A one-shot request is answered by this measurement: the automatic balance ends.
        if (whiteBalanceRequests_ == kBothWhiteBalanceRequests) {
            whiteBalanceRequests_ = 0;
            filter_.bayerGainAuto = 0;
        }
        TellDialog([](CDialogRefresh& dialog) { dialog.BayerGainsChanged(); });
    }
    if (measured.grayGains) {
        filter_.grayGainR = settings.gray.gainR;
        filter_.grayGainG1 = settings.gray.gainG1;
        filter_.grayGainG2 = settings.gray.gainG2;
        filter_.grayGainB = settings.gray.gainB;
        // A count of measurements still to make: only a frame measured uses one up (the colour
        // modes never measure); a negative count measures every frame and stays.
        if (settings.grayGainCounter > 0) {
            int32_t expected = settings.grayGainCounter;
            filter_.grayGainCounter.compare_exchange_strong(expected, expected - 1);
        }
        TellDialog([](CDialogRefresh& dialog) { dialog.GrayGainsChanged(); });
    }
}

void COvilux::RequestOneShotWhiteBalance() {
    whiteBalanceRequests_ = kBothWhiteBalanceRequests;
    filter_.bayerGainAuto = 1;
}

void COvilux::SetContinuousWhiteBalance(bool on) {
    whiteBalanceRequests_ = 0;
    filter_.bayerGainAuto = on ? 1 : 0;
}

void COvilux::RunAutoIris(const image::DibImage& raw) {
    const int32_t mode = analog_.autoIris;
    if (mode != kAutoIrisExposure && mode != kAutoIrisGain) {
        return;
    }
    const int32_t factor = AutoIrisFactor(raw);
    if (InAutoIrisDeadBand(factor)) {
        return;
    }
    camera::COviluxUXBase& camera = *camera_;
    int32_t current = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
    if (mode == kAutoIrisGain) {
        if (camera.GetGlobalGain(&current) && camera.GetGlobalGainMin(&minimum) && camera.GetGlobalGainMax(&maximum)) {
            const int32_t value = AutoIrisGain(current, factor, minimum, maximum);
            if (SendGlobalGain(value)) {
                TellDialog([value](CDialogRefresh& dialog) { dialog.GlobalGainChanged(value); });
            }
        }
        return;
    }
    if (camera.GetRealExposure(&current) && camera.GetRealExposureMin(&minimum) &&
        camera.GetRealExposureMax(&maximum)) {
        if (ApplyExposure(AutoIrisExposure(current, factor, minimum, maximum))) {
            const int32_t kept = analog_.exposure;
            TellDialog([kept](CDialogRefresh& dialog) { dialog.ExposureChanged(kept); });
        }
    }
}

bool COvilux::TakeFrame() {
    image::DibImage& raw = images_.RawOf(prepared_.colourMode);
    if (prepared_.colourMode < 0 || raw.Bits() == nullptr) {
        return false;
    }
    if (camera_->GetNextFrame(static_cast<uint8_t*>(raw.Bits()), static_cast<int32_t>(raw.ImageBytes()), 0, 0,
                              kStraightCopy) != 0) {
        return false;
    }
    RepackRawFrame(raw);
    images_.MarkHolding(raw, true);
    RunAutoIris(raw);
    RunDefectSteps(raw);
    ConversionSettings settings = CurrentConversion(prepared_.colourMode);
    KeepMeasurements(CorrectRawFrame(images_, settings), settings);
    image::DibImage& result = *images_.ResultOf(prepared_.colourMode);
    const bool converted = ConvertFrame(images_, settings);
    images_.MarkHolding(result, converted);
    return converted;
}

}  // namespace ovilux::session
