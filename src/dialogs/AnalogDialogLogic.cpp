// AnalogDialogLogic.cpp - live analog changes on the camera and the session, and their undoing.
#include "dialogs/AnalogDialogLogic.h"

#include <cstdio>

#include "camera/OviluxUXBase.h"
#include "session/Ovilux.h"

namespace ovilux::dialogs {

namespace {

using session::AnalogSettings;
using session::KeptInt;
using camera::COviluxUXBase;

constexpr int32_t kAutoIrisOff = 0;
constexpr int32_t kAutoIrisExposure = 1;
constexpr int32_t kAutoIrisGain = 2;

// Every integer the dialog may change, directly or through the camera's answers.
constexpr KeptInt AnalogSettings::* kRememberedFields[] = {
    &AnalogSettings::globalGain,  &AnalogSettings::colorGainGreen1, &AnalogSettings::colorGainRed,
    &AnalogSettings::colorGainBlue, &AnalogSettings::colorGainGreen2, &AnalogSettings::exposure,
    &AnalogSettings::mirrorV,     &AnalogSettings::mirrorH,         &AnalogSettings::autoIris,
    &AnalogSettings::blackLevel,  &AnalogSettings::coolerOn,        &AnalogSettings::presetState,
    &AnalogSettings::gainMode,    &AnalogSettings::lastExposureMicroseconds,
};

// The kept field of each row, in row order.
constexpr KeptInt AnalogSettings::* kRowFields[] = {
    &AnalogSettings::globalGain,    &AnalogSettings::colorGainGreen1, &AnalogSettings::colorGainRed,
    &AnalogSettings::colorGainBlue, &AnalogSettings::colorGainGreen2, &AnalogSettings::exposure,
};

constexpr AnalogRow kColourRows[] = {AnalogRow::ColorGainG1, AnalogRow::ColorGainR, AnalogRow::ColorGainB,
                                     AnalogRow::ColorGainG2};

// The filter-value index of each row, in row order: the session sends the value to the camera
// and keeps it, so that it knows every change the dialog makes.
constexpr int32_t kRowIndex[] = {13, 15, 14, 17, 16, 18};

}  // namespace

CAnalogDialogLogic::CAnalogDialogLogic(session::COvilux& session) : session_(session) {
    COviluxUXBase& camera = *session_.Camera();
    AnalogSettings& analog = session_.Analog();
    for (KeptInt AnalogSettings::* field : kRememberedFields) {
        remembered_.push_back((analog.*field).load());
    }
    rememberedSeconds_ = analog.exposureSeconds;
    rememberedBayerMode_ = session_.ImageFilter().bayerMode;

    for (int32_t row = 0; row < kAnalogRowCount; ++row) {
        int32_t value = 0;
        int32_t ok = 0;
        value = session_.GetFilterValue(kRowIndex[row], &ok);
        if (ok != 0) {
            analog.*kRowFields[row] = value;
        }
    }
    takesSeconds_ = camera.IsExposureSecondsSupported() != 0;
    double seconds = 0.0;
    if (takesSeconds_ && camera.GetExposureSeconds(&seconds)) {
        analog.exposureSeconds = seconds;
    }
    analog.mirrorV = camera.GetMirrorV() != 0 ? 1 : 0;
    analog.mirrorH = camera.GetMirrorH() != 0 ? 1 : 0;

    int32_t low = 0;
    int32_t high = 0;
    camera.GetGlobalGainMin(&low);
    camera.GetGlobalGainMax(&high);
    ranges_[0] = EighthsRow(low, high);
    low = high = 0;
    camera.GetColorGainMin(&low);
    camera.GetColorGainMax(&high);
    for (size_t row = 1; row <= 4; ++row) {
        ranges_[row] = EighthsRow(low, high);
    }
    low = high = 0;
    camera.GetRealExposureMin(&low);
    camera.GetRealExposureMax(&high);
    ranges_[5] = EighthsRow(low, high);

    if (takesSeconds_) {
        camera.GetExposureSecondsMin(&minimumSeconds_);
        camera.GetExposureSecondsMax(&maximumSeconds_);
        for (int32_t unit = UnitOfSeconds(minimumSeconds_); unit <= UnitOfSeconds(maximumSeconds_); ++unit) {
            units_.push_back(static_cast<ExposureUnit>(unit));
        }
        unit_ = UnitOfSeconds(analog.exposureSeconds);
    }
}

void CAnalogDialogLogic::Finish(bool confirmed) {
    if (confirmed) {
        return;
    }
    COviluxUXBase& camera = *session_.Camera();
    AnalogSettings& analog = session_.Analog();
    for (size_t i = 0; i < remembered_.size(); ++i) {
        analog.*kRememberedFields[i] = remembered_[i];
    }
    analog.exposureSeconds = rememberedSeconds_;
    session_.ImageFilter().bayerMode = rememberedBayerMode_;
    for (int32_t row = 0; row < kAnalogRowCount - 1; ++row) {
        session_.SetFilterValue(kRowIndex[row], analog.*kRowFields[row]);
    }
    if (takesSeconds_) {
        session_.SetExposureTimeEx(rememberedSeconds_);
    } else {
        session_.ApplyExposure(analog.exposure);
    }
    session_.SetMirrorV(analog.mirrorV);
    session_.SetMirrorH(analog.mirrorH);
    // "Default" may have sent these too; the camera must end as the session says it is.
    if (camera.IsLevelSupported()) {
        camera.SetLevel(analog.blackLevel);
    }
    if (camera.IsPeltierSupported()) {
        camera.SetPeltier(analog.coolerOn);
    }
    if (camera.IsPresetSupported()) {
        camera.SetPreset(analog.presetState);
    }
    if (camera.IsSwitch80Supported()) {
        camera.SetSwitch80(analog.gainMode);
    }
}

int32_t CAnalogDialogLogic::Value(AnalogRow row) const {
    return (session_.Analog().*kRowFields[static_cast<size_t>(row)]).load();
}

void CAnalogDialogLogic::SendRow(AnalogRow row, int32_t value) {
    session_.SetFilterValue(kRowIndex[static_cast<size_t>(row)], value);
    session_.Analog().*kRowFields[static_cast<size_t>(row)] = value;
}

void CAnalogDialogLogic::SetValue(AnalogRow row, int32_t value, bool programmatic) {
    AnalogSettings& analog = session_.Analog();
    if (row == AnalogRow::Exposure) {
        if (programmatic) {
            analog.exposure = value;
        } else {
            session_.ApplyExposure(value);
        }
        return;
    }
    SendRow(row, value);
    if (row == AnalogRow::GlobalGain) {
        // The window writes the value into the four colour-gain edits, each of which sends
        // itself; the session keeps them now so every reader sees one consistent set.
        for (AnalogRow colour : kColourRows) {
            SendRow(colour, value);
        }
    }
}

bool CAnalogDialogLogic::MirrorV() const { return session_.Analog().mirrorV != 0; }
bool CAnalogDialogLogic::MirrorH() const { return session_.Analog().mirrorH != 0; }

void CAnalogDialogLogic::SetMirrorV(bool on) { session_.SetMirrorV(on ? 1 : 0); }

void CAnalogDialogLogic::SetMirrorH(bool on) { session_.SetMirrorH(on ? 1 : 0); }

bool CAnalogDialogLogic::AutoIrisGainChecked() const { return session_.Analog().autoIris == kAutoIrisGain; }
bool CAnalogDialogLogic::AutoIrisExposureChecked() const { return session_.Analog().autoIris == kAutoIrisExposure; }

void CAnalogDialogLogic::CheckAutoIrisGain(bool checked) {
    session_.Analog().autoIris = checked ? kAutoIrisGain : kAutoIrisOff;
}

void CAnalogDialogLogic::CheckAutoIrisExposure(bool checked) {
    session_.Analog().autoIris = checked ? kAutoIrisExposure : kAutoIrisOff;
}

std::string CAnalogDialogLogic::RangeText() const { return dialogs::RangeText(minimumSeconds_, maximumSeconds_); }

void CAnalogDialogLogic::ChooseUnit(ExposureUnit unit) {
    unit_ = unit;
    double seconds = 0.0;
    if (session_.Camera()->GetExposureSeconds(&seconds)) {
        session_.Analog().exposureSeconds = seconds;
    }
}

std::string CAnalogDialogLogic::SecondsText() const {
    return FormatUnitValue(SecondsToUnit(session_.Analog().exposureSeconds, unit_));
}

bool CAnalogDialogLogic::SetSecondsText(const std::string& text) {
    const std::optional<double> value = ParseUnitValue(text);
    if (!value) {
        return false;
    }
    COviluxUXBase& camera = *session_.Camera();
    const double seconds = UnitToSeconds(*value, unit_);
    if (!camera.SetExposureSeconds(seconds)) {
        return false;
    }
    AnalogSettings& analog = session_.Analog();
    analog.exposureSeconds = seconds;
    int32_t exposure = 0;
    if (camera.GetRealExposure(&exposure)) {
        analog.exposure = exposure;
    }
    return true;
}

std::string CAnalogDialogLogic::MillisecondsText() const {
    char text[48];
    std::snprintf(text, sizeof text, "=%.2fms", session_.Analog().exposure / 10.0);
    return text;
}

void CAnalogDialogLogic::Default() {
    COviluxUXBase& camera = *session_.Camera();
    AnalogSettings& analog = session_.Analog();
    int32_t value = 0;
    if (camera.GetGlobalGainDefault(&value)) {
        camera.SetGlobalGain(value);
        analog.globalGain = value;
    }
    value = 0;
    if (camera.GetColorGainDefault(&value)) {
        for (AnalogRow colour : kColourRows) {
            SendRow(colour, value);
        }
    }
    if (takesSeconds_) {
        double seconds = 0.0;
        if (camera.GetExposureSecondsDefault(&seconds) && camera.SetExposureSeconds(seconds)) {
            analog.exposureSeconds = seconds;
        }
    } else if (camera.GetRealExposureDefault(&value)) {
        session_.ApplyExposure(value);
    }
    if (camera.IsLevelSupported() && camera.GetLevelDefault(&value)) {
        camera.SetLevel(value);
        analog.blackLevel = value;
    }
    if (camera.IsPeltierSupported()) {
        camera.SetPeltier(1);
        analog.coolerOn = 1;
    }
    if (camera.IsPresetSupported()) {
        camera.SetPreset(0);
        analog.presetState = 0;
    }
    if (camera.IsSwitch80Supported()) {
        camera.SetSwitch80(0);
        analog.gainMode = 0;
    }
}

}  // namespace ovilux::dialogs
