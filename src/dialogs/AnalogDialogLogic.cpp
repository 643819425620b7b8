// AnalogDialogLogic.cpp - live analog changes on the camera and the session, and their undoing.
#include "dialogs/AnalogDialogLogic.h"

#include <cstdio>

#include "session/Ovilux.h"

namespace ovilux::dialogs {

namespace {

using session::AnalogSettings;
using session::KeptInt;

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
    takesSeconds_ = session_.TakesExposureSeconds();
    session_.RereadExposureSeconds();

    const session::CameraInfoLimits limits = session_.AnalogLimits();
    ranges_[0] = EighthsRow(limits.globalGainMin, limits.globalGainMax);
    for (size_t row = 1; row <= 4; ++row) {
        ranges_[row] = EighthsRow(limits.colorGainMin, limits.colorGainMax);
    }
    ranges_[5] = EighthsRow(limits.exposureMin, limits.exposureMax);

    if (takesSeconds_) {
        minimumSeconds_ = limits.exposureSecondsMin;
        maximumSeconds_ = limits.exposureSecondsMax;
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
    session_.PushAnalogSwitches();
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
    session_.RereadExposureSeconds();
}

std::string CAnalogDialogLogic::SecondsText() const {
    return FormatUnitValue(SecondsToUnit(session_.Analog().exposureSeconds, unit_));
}

bool CAnalogDialogLogic::SetSecondsText(const std::string& text) {
    const std::optional<double> value = ParseUnitValue(text);
    if (!value) {
        return false;
    }
    return session_.ApplyExposureSeconds(UnitToSeconds(*value, unit_));
}

std::string CAnalogDialogLogic::MillisecondsText() const {
    char text[48];
    std::snprintf(text, sizeof text, "=%.2fms", session_.Analog().exposure / 10.0);
    return text;
}

void CAnalogDialogLogic::Default() { session_.ApplyAnalogDefaults(); }

}  // namespace ovilux::dialogs
