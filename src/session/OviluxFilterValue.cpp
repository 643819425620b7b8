// OviluxFilterValue.cpp - the filter-value index table: kept image settings, camera gains and
// exposure, and camera features, all changed here so that the session knows every change.
#include "camera/OviluxUXBase.h"
#include "session/Ovilux.h"

namespace ovilux::session {

namespace {

using camera::COviluxUXBase;

// Indices of the table that have no plain kept or camera-gain row.
constexpr int32_t kBayerGainRgb = 6;
constexpr int32_t kBayerGainRed = 7;
constexpr int32_t kBayerGainGreen = 8;
constexpr int32_t kBayerGainBlue = 9;
constexpr int32_t kBayerGainAuto = 10;
constexpr int32_t kExposureTime = 18;
constexpr int32_t kGrayGainCounter = 28;
constexpr int32_t kPeltier = 100;
constexpr int32_t kTemperature = 101;
constexpr int32_t kDotFilter = 102;
constexpr int32_t kMaskFilter = 103;
constexpr int32_t kGainMode = 104;
constexpr int32_t kPreset = 105;
constexpr int32_t kBlackLevel = 106;

// Settings the session keeps for its image pipeline, with their accepted range.
struct KeptRow {
    int32_t index;
    KeptInt ImageFilterSettings::*field;
    int32_t minimum;
    int32_t maximum;
};

constexpr KeptRow kKeptRows[] = {
    {1, &ImageFilterSettings::brightness, -255, 255},
    {2, &ImageFilterSettings::contrast, -127, 127},
    {3, &ImageFilterSettings::hue, -360, 360},
    {4, &ImageFilterSettings::saturation, -255, 255},
    {5, &ImageFilterSettings::sharpness, 0, 30},
    {kBayerGainRed, &ImageFilterSettings::bayerGainRed, 0, 400},
    {kBayerGainGreen, &ImageFilterSettings::bayerGainGreen, 0, 400},
    {kBayerGainBlue, &ImageFilterSettings::bayerGainBlue, 0, 400},
    {11, &ImageFilterSettings::gamma, 0, 200},
    {12, &ImageFilterSettings::bayerMode, 0, 3},
    {19, &ImageFilterSettings::grayMode, 0, 2},
    {20, &ImageFilterSettings::grayGainR, 0, 255},
    {21, &ImageFilterSettings::grayGainG1, 0, 255},
    {22, &ImageFilterSettings::grayGainG2, 0, 255},
    {23, &ImageFilterSettings::grayGainB, 0, 255},
    {24, &ImageFilterSettings::grayOffsetR, -255, 255},
    {25, &ImageFilterSettings::grayOffsetG1, -255, 255},
    {26, &ImageFilterSettings::grayOffsetG2, -255, 255},
    {27, &ImageFilterSettings::grayOffsetB, -255, 255},
};

// Camera gains: kept, range-checked against the camera's limits, sent at once, read back live.
struct GainRow {
    int32_t index;
    KeptInt AnalogSettings::*field;
    int32_t (COviluxUXBase::*set)(int32_t);
    int32_t (COviluxUXBase::*get)(int32_t*);
    int32_t (COviluxUXBase::*minimum)(int32_t*);
    int32_t (COviluxUXBase::*maximum)(int32_t*);
};

constexpr int32_t kGlobalGain = 13;
constexpr GainRow kGainRows[] = {
    {kGlobalGain, &AnalogSettings::globalGain, &COviluxUXBase::SetGlobalGain, &COviluxUXBase::GetGlobalGain,
     &COviluxUXBase::GetGlobalGainMin, &COviluxUXBase::GetGlobalGainMax},
    {14, &AnalogSettings::colorGainRed, &COviluxUXBase::SetColorGainRed, &COviluxUXBase::GetColorGainRed,
     &COviluxUXBase::GetColorGainMin, &COviluxUXBase::GetColorGainMax},
    {15, &AnalogSettings::colorGainGreen1, &COviluxUXBase::SetColorGainGreen1, &COviluxUXBase::GetColorGainGreen1,
     &COviluxUXBase::GetColorGainMin, &COviluxUXBase::GetColorGainMax},
    {16, &AnalogSettings::colorGainGreen2, &COviluxUXBase::SetColorGainGreen2, &COviluxUXBase::GetColorGainGreen2,
     &COviluxUXBase::GetColorGainMin, &COviluxUXBase::GetColorGainMax},
    {17, &AnalogSettings::colorGainBlue, &COviluxUXBase::SetColorGainBlue, &COviluxUXBase::GetColorGainBlue,
     &COviluxUXBase::GetColorGainMin, &COviluxUXBase::GetColorGainMax},
};

template <typename Row, size_t N>
const Row* FindRow(const Row (&rows)[N], int32_t index) {
    for (const Row& row : rows) {
        if (row.index == index) {
            return &row;
        }
    }
    return nullptr;
}

// The getter's outcome: a value, whether it counts as success, and the code to record (if any).
struct Reading {
    int32_t value;
    bool ok;
};

Reading Fail(COvilux& s, int32_t failureCode, int32_t value = 0) {
    s.RecordError(failureCode);
    return Reading{value, false};
}

Reading ReadCamera(COvilux& s, COviluxUXBase& camera, int32_t (COviluxUXBase::*get)(int32_t*)) {
    int32_t value = 0;
    if (!(camera.*get)(&value)) {
        return Fail(s, code::kRefused);
    }
    return Reading{value, true};
}

Reading Get(COvilux& s, COviluxUXBase& camera, int32_t index) {
    ImageFilterSettings& filter = s.ImageFilter();
    AnalogSettings& analog = s.Analog();
    if (const KeptRow* row = FindRow(kKeptRows, index)) {
        return Reading{(filter.*(row->field)).load(), true};
    }
    if (const GainRow* row = FindRow(kGainRows, index)) {
        return ReadCamera(s, camera, row->get);
    }
    switch (index) {
        case kBayerGainRgb:
            return Reading{(filter.bayerGainRed & 0xFF) | (filter.bayerGainGreen & 0xFF) << 8 |
                               (filter.bayerGainBlue & 0xFF) << 16,
                           true};
        case kBayerGainAuto:
            return Reading{filter.bayerGainAuto.load(), true};
        case kExposureTime:
            return ReadCamera(s, camera, &COviluxUXBase::GetRealExposure);
        case kPeltier:
            if (!camera.IsPeltierSupported()) {
                return Fail(s, code::kNotSupported, -1);
            }
            return Reading{camera.GetPeltier(), true};
        case kTemperature:
            return Fail(s, code::kNotSupported, -1);
        case kDotFilter:
            return Reading{s.DotFilterFlag().load(), true};
        case kMaskFilter:
            return Reading{s.MaskFilterFlag().load(), true};
        case kGainMode:
            return Reading{camera.GetSwitch80(), true};
        case kPreset:
            if (!camera.IsPresetSupported()) {
                return Fail(s, code::kNotSupported);
            }
            s.RecordError(code::kSuccess);
            return Reading{camera.GetPreset() != 0 ? 1 : 0, true};
        case kBlackLevel: {
            if (!camera.IsLevelSupported()) {
                return Fail(s, code::kNotSupported);
            }
            int32_t level = 0;
            if (!camera.GetLevel(&level)) {
                return Fail(s, code::kRefused);
            }
            analog.blackLevel = level;
            s.RecordError(code::kSuccess);
            return Reading{level, true};
        }
        default:
            // Index 28 and the channel indices have no reading either.
            return Fail(s, code::kBadArgument);
    }
}

int32_t Refuse(COvilux& s, int32_t failureCode) {
    s.RecordError(failureCode);
    return 0;
}

int32_t SetCameraGain(COvilux& s, COviluxUXBase& camera, const GainRow& row, int32_t value) {
    int32_t minimum = 0;
    int32_t maximum = 0;
    if (!(camera.*(row.minimum))(&minimum) || !(camera.*(row.maximum))(&maximum)) {
        return Refuse(s, code::kNotPresent);
    }
    if (value < minimum || value > maximum) {
        return Refuse(s, code::kBadArgument);
    }
    if (row.index == kGlobalGain) {
        return s.SendGlobalGain(value) ? 1 : Refuse(s, code::kRefused);
    }
    if (!(camera.*(row.set))(value)) {
        return Refuse(s, code::kRefused);
    }
    s.Analog().*(row.field) = value;
    return 1;
}

int32_t Set(COvilux& s, COviluxUXBase& camera, int32_t index, int32_t value) {
    ImageFilterSettings& filter = s.ImageFilter();
    const auto keep = [&](KeptInt& field, int32_t minimum, int32_t maximum) {
        if (value < minimum || value > maximum) {
            return Refuse(s, code::kBadArgument);
        }
        field = value;
        return 1;
    };
    if (const KeptRow* row = FindRow(kKeptRows, index)) {
        return keep(filter.*(row->field), row->minimum, row->maximum);
    }
    if (const GainRow* row = FindRow(kGainRows, index)) {
        return SetCameraGain(s, camera, *row, value);
    }
    switch (index) {
        case kBayerGainRgb:
            filter.bayerGainRed = value & 0xFF;
            filter.bayerGainGreen = (value >> 8) & 0xFF;
            filter.bayerGainBlue = (value >> 16) & 0xFF;
            return 1;
        case kBayerGainAuto:
            filter.bayerGainAuto = value != 0 ? 1 : 0;
            return 1;
        case kExposureTime: {
            int32_t minimum = 0;
            int32_t maximum = 0;
            if (!s.ExposureLimits(&minimum, &maximum)) {
                return 0;
            }
            if (value < minimum || value > maximum) {
                return Refuse(s, code::kBadArgument);
            }
            return s.ApplyExposure(value);
        }
        case kGrayGainCounter:
            return keep(filter.grayGainCounter, 0, 1);
        case kPeltier:
            if (!camera.IsPeltierSupported()) {
                return Refuse(s, code::kNotSupported);
            }
            // Kept too, or Cancel in the analog dialog would switch back on a cooler the
            // application had switched off.
            return s.ApplyCooler(value) ? 1 : 0;
        case kDotFilter:
            return keep(s.DotFilterFlag(), 0, 1);
        case kMaskFilter:
            return keep(s.MaskFilterFlag(), 0, 1);
        case kGainMode:
            return s.ApplyGainMode(value) ? 1 : 0;
        case kPreset:
            if (!camera.IsPresetSupported()) {
                return Refuse(s, code::kNotSupported);
            }
            if (!s.ApplyPreset(value)) {
                return Refuse(s, code::kRefused);
            }
            return 1;
        case kBlackLevel:
            if (!camera.IsLevelSupported()) {
                return Refuse(s, code::kNotSupported);
            }
            if (!s.ApplyBlackLevel(value)) {
                return Refuse(s, code::kRefused);
            }
            s.RecordError(code::kSuccess);
            return 1;
        default:
            // The temperature, the channel indices and unknown indices take no value.
            return Refuse(s, code::kBadArgument);
    }
}

}  // namespace

int32_t COvilux::GetFilterValue(int32_t index, int32_t* ok) {
    Reading reading{0, false};
    if (!camera_) {
        RecordError(code::kNoCamera);
    } else {
        reading = Get(*this, *camera_, index);
    }
    if (ok != nullptr) {
        *ok = reading.ok ? 1 : 0;
    }
    return reading.value;
}

int32_t COvilux::SetFilterValue(int32_t index, int32_t value) {
    if (!camera_) {
        return Refuse(*this, code::kNoCamera);
    }
    return Set(*this, *camera_, index, value);
}

}  // namespace ovilux::session
