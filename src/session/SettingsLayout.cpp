// SettingsLayout.cpp - key names, value tables and first-run values of the settings store.
#include "session/SettingsLayout.h"

#include <cstdio>
#include <cmath>
#include <cstring>

#include "session/FreshProfile.h"

namespace ovilux::session {

namespace {

using platform::SettingValue;

struct NamedBound {
    const char* name;
    Bound bound;
};

constexpr int32_t kMaxColourMode = kColourModeCount - 1;
constexpr int32_t kMaxSubSampleCode = 2;
constexpr int32_t kMaxAutoIris = 2;
constexpr Bound kFlag{0, 1};
constexpr Bound kPercentGain{0, 400};
constexpr Bound kGrayGain{0, 255};
constexpr Bound kSignedByte{-255, 255};

constexpr NamedBound kCameraValues[] = {
    {"Size", {0, kMaxSizePresets - 1}}, {"Color", {0, kMaxColourMode}}, {"SubSample", {0, kMaxSubSampleCode}},
    {"WaitTime", {0, INT32_MAX}},       {"Clock", kAnyValue},
};

// A preset lies on the sensor; whether its window is one the camera takes is checked when it is used.
constexpr NamedBound kPresetValues[] = {
    {kPresetValueNames[0], {0, kSensorWidth}},      {kPresetValueNames[1], {0, kSensorHeight}},
    {kPresetValueNames[2], {0, kSensorWidth}},      {kPresetValueNames[3], {0, kSensorHeight}},
    {kPresetValueNames[4], {0, kSensorWidth - 1}},  {kPresetValueNames[5], {0, kSensorHeight - 1}},
    {kPresetValueNames[6], {1, INT32_MAX}},
};

constexpr NamedField<AnalogSettings> kGainFields[] = {
    {"Global", &AnalogSettings::globalGain, {0, 0, CameraBound::GlobalGain}},
    {"ColorG1", &AnalogSettings::colorGainGreen1, {0, 0, CameraBound::ColorGain}},
    {"ColorR", &AnalogSettings::colorGainRed, {0, 0, CameraBound::ColorGain}},
    {"ColorB", &AnalogSettings::colorGainBlue, {0, 0, CameraBound::ColorGain}},
    {"ColorG2", &AnalogSettings::colorGainGreen2, {0, 0, CameraBound::ColorGain}},
    {"Exposure", &AnalogSettings::exposure, {0, 0, CameraBound::Exposure}},
    {"V_Mirror", &AnalogSettings::mirrorV, kFlag},
    {"H_Mirror", &AnalogSettings::mirrorH, kFlag},
    {"AutoIris", &AnalogSettings::autoIris, {0, kMaxAutoIris}},
    {"GainMode", &AnalogSettings::gainMode, kAnyValue},  // the camera's switch: it answers for itself
    {"BlackLevel", &AnalogSettings::blackLevel, {0, 0, CameraBound::Level}},
};

constexpr NamedField<ImageFilterSettings> kFilterFields[] = {
    {"Brightness", &ImageFilterSettings::brightness, kSignedByte},
    {"Contrast", &ImageFilterSettings::contrast, {-127, 127}},
    {"Hue", &ImageFilterSettings::hue, {-360, 360}},
    {"Saturation", &ImageFilterSettings::saturation, kSignedByte},
    {"Sharpness", &ImageFilterSettings::sharpness, {0, 30}},
    {"R_Gain", &ImageFilterSettings::bayerGainRed, kPercentGain},
    {"G_Gain", &ImageFilterSettings::bayerGainGreen, kPercentGain},
    {"B_Gain", &ImageFilterSettings::bayerGainBlue, kPercentGain},
    {"Gamma", &ImageFilterSettings::gamma, {0, 200}},
    {"BayerMode", &ImageFilterSettings::bayerMode, {0, 3}},
};

constexpr NamedField<ImageFilterSettings> kGrayFields[] = {
    {"Mode", &ImageFilterSettings::grayMode, {0, 2}},
    {"GainR1", &ImageFilterSettings::grayGainR, kGrayGain},
    {"GainG1", &ImageFilterSettings::grayGainG1, kGrayGain},
    {"GainG2", &ImageFilterSettings::grayGainG2, kGrayGain},
    {"GainB1", &ImageFilterSettings::grayGainB, kGrayGain},
    {"OffsetR1", &ImageFilterSettings::grayOffsetR, kSignedByte},
    {"OffsetG1", &ImageFilterSettings::grayOffsetG1, kSignedByte},
    {"OffsetG2", &ImageFilterSettings::grayOffsetG2, kSignedByte},
    {"OffsetB1", &ImageFilterSettings::grayOffsetB, kSignedByte},
};

bool SameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

template <typename Names>
auto Find(const Names& names, const std::string& name) -> decltype(&names[0]) {
    for (const auto& entry : names) {
        if (SameName(name, entry.name)) {
            return &entry;
        }
    }
    return nullptr;
}

// "Size_00" to "Size_99": every preset index below the limit has two digits.
bool IsPresetKey(const std::string& subKey) {
    static_assert(kMaxSizePresets == 100);
    return subKey.size() == 7 && SameName(subKey.substr(0, 5), "Size_") && subKey[5] >= '0' && subKey[5] <= '9' &&
           subKey[6] >= '0' && subKey[6] <= '9';
}

}  // namespace

std::string CameraKey(int32_t device) {
    char name[32];
    std::snprintf(name, sizeof name, "Camera_%02d", static_cast<int>(device));
    return name;
}

std::string CameraSubKey(int32_t device, const std::string& subKey) { return CameraKey(device) + "\\" + subKey; }

std::string PresetName(int32_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "Size_%02d", static_cast<int>(index));
    return name;
}

bool IsSettingsKey(const std::string& subKey) {
    return subKey.empty() || IsPresetKey(subKey) || SameName(subKey, kGainKey) || SameName(subKey, kFilterKey) ||
           SameName(subKey, kGrayKey);
}

std::optional<ValueKind> KindOf(const std::string& subKey, const std::string& name) {
    if (SameName(subKey, kGainKey) && SameName(name, kExposureSecondsName)) {
        return ValueKind::Double;
    }
    return RangeOf(subKey, name, CameraLimits{}) ? std::optional(ValueKind::Dword) : std::nullopt;
}

std::vector<uint8_t> DoubleBytes(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    std::vector<uint8_t> bytes(8);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return bytes;
}

std::optional<double> DoubleFromBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != 8) {
        return std::nullopt;
    }
    uint64_t bits = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const SettingValue* StoredKey::Find(const char* name) const {
    for (const SettingValue& value : values_) {
        if (SameName(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

std::optional<int32_t> StoredKey::Dword(const char* name) const {
    const SettingValue* value = Find(name);
    const std::optional<uint32_t> number = value != nullptr ? value->AsDword() : std::nullopt;
    return number ? std::optional(static_cast<int32_t>(*number)) : std::nullopt;
}

std::optional<double> StoredKey::Double(const char* name) const {
    const SettingValue* value = Find(name);
    if (value == nullptr || value->type != platform::SettingType::Binary) {
        return std::nullopt;
    }
    return DoubleFromBytes(value->data);
}

std::optional<Bound> RangeOf(const std::string& subKey, const std::string& name, const CameraLimits& limits) {
    std::optional<Bound> bound;
    if (subKey.empty()) {
        if (const NamedBound* entry = Find(kCameraValues, name)) bound = entry->bound;
    } else if (IsPresetKey(subKey)) {
        if (const NamedBound* entry = Find(kPresetValues, name)) bound = entry->bound;
    } else if (SameName(subKey, kGainKey)) {
        if (const auto* entry = Find(kGainFields, name)) bound = entry->bound;
    } else if (SameName(subKey, kFilterKey)) {
        if (const auto* entry = Find(kFilterFields, name)) bound = entry->bound;
    } else if (SameName(subKey, kGrayKey)) {
        if (const auto* entry = Find(kGrayFields, name)) bound = entry->bound;
    }
    return bound ? std::optional(Resolve(*bound, limits)) : std::nullopt;
}

Bound Resolve(const Bound& bound, const CameraLimits& limits) {
    switch (bound.camera) {
        case CameraBound::GlobalGain: return limits.globalGain;
        case CameraBound::ColorGain: return limits.colorGain;
        case CameraBound::Exposure: return limits.exposure;
        case CameraBound::Level: return limits.level;
        case CameraBound::None: break;
    }
    return bound;
}

bool IsInRange(int64_t value, const Bound& bound) { return value >= bound.minimum && value <= bound.maximum; }

bool IsSecondsInRange(double seconds, const CameraLimits& limits) {
    if (!std::isfinite(seconds)) {
        return false;
    }
    return !limits.exposureSeconds ||
           (seconds >= limits.exposureSeconds->first && seconds <= limits.exposureSeconds->second);
}

std::string RangeText(const Bound& bound) {
    return std::to_string(bound.minimum) + " to " + std::to_string(bound.maximum);
}

std::span<const NamedField<AnalogSettings>> GainFields() { return kGainFields; }
std::span<const NamedField<ImageFilterSettings>> FilterFields() { return kFilterFields; }
std::span<const NamedField<ImageFilterSettings>> GrayFields() { return kGrayFields; }

std::vector<platform::KeyWrite> DefaultCameraWrites(int32_t device) {
    const int32_t format[] = {0, kFreshColourMode, kFreshSubSample, kFreshWaitTimeMs, kFreshClockMode};
    const CaptureWindow window;
    platform::KeyWrite camera{CameraKey(device), {}};
    for (size_t i = 0; i < std::size(kCameraValues); ++i) {
        camera.values.push_back(SettingValue::Dword(kCameraValues[i].name, static_cast<uint32_t>(format[i])));
    }
    platform::KeyWrite preset{CameraSubKey(device, PresetName(0)), {}};
    for (size_t i = 0; i < std::size(kPresetValueNames); ++i) {
        preset.values.push_back(
            SettingValue::Dword(kPresetValueNames[i], static_cast<uint32_t>((window.*kPresetFields[i]).load())));
    }
    return {camera, preset};
}

}  // namespace ovilux::session
