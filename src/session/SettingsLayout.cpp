// SettingsLayout.cpp - key names, value tables and first-run values of the settings store.
#include "session/SettingsLayout.h"

#include <cstdio>
#include <cstring>

#include "session/FreshProfile.h"

namespace ovilux::session {

namespace {

using platform::SettingValue;

constexpr const char* kCameraValueNames[] = {"Size", "Color", "SubSample", "WaitTime", "Clock"};

constexpr NamedField<AnalogSettings> kGainFields[] = {
    {"Global", &AnalogSettings::globalGain},        {"ColorG1", &AnalogSettings::colorGainGreen1},
    {"ColorR", &AnalogSettings::colorGainRed},      {"ColorB", &AnalogSettings::colorGainBlue},
    {"ColorG2", &AnalogSettings::colorGainGreen2},  {"Exposure", &AnalogSettings::exposure},
    {"V_Mirror", &AnalogSettings::mirrorV},         {"H_Mirror", &AnalogSettings::mirrorH},
    {"AutoIris", &AnalogSettings::autoIris},        {"GainMode", &AnalogSettings::gainMode},
    {"BlackLevel", &AnalogSettings::blackLevel},
};

constexpr NamedField<ImageFilterSettings> kFilterFields[] = {
    {"Brightness", &ImageFilterSettings::brightness}, {"Contrast", &ImageFilterSettings::contrast},
    {"Hue", &ImageFilterSettings::hue},               {"Saturation", &ImageFilterSettings::saturation},
    {"Sharpness", &ImageFilterSettings::sharpness},   {"R_Gain", &ImageFilterSettings::bayerGainRed},
    {"G_Gain", &ImageFilterSettings::bayerGainGreen}, {"B_Gain", &ImageFilterSettings::bayerGainBlue},
    {"Gamma", &ImageFilterSettings::gamma},           {"BayerMode", &ImageFilterSettings::bayerMode},
};

constexpr NamedField<ImageFilterSettings> kGrayFields[] = {
    {"Mode", &ImageFilterSettings::grayMode},         {"GainR1", &ImageFilterSettings::grayGainR},
    {"GainG1", &ImageFilterSettings::grayGainG1},     {"GainG2", &ImageFilterSettings::grayGainG2},
    {"GainB1", &ImageFilterSettings::grayGainB},      {"OffsetR1", &ImageFilterSettings::grayOffsetR},
    {"OffsetG1", &ImageFilterSettings::grayOffsetG1}, {"OffsetG2", &ImageFilterSettings::grayOffsetG2},
    {"OffsetB1", &ImageFilterSettings::grayOffsetB},
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
bool Contains(const Names& names, const std::string& name) {
    for (const auto& entry : names) {
        if constexpr (requires { entry.name; }) {
            if (SameName(name, entry.name)) return true;
        } else {
            if (SameName(name, entry)) return true;
        }
    }
    return false;
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
    bool known = false;
    if (subKey.empty()) {
        known = Contains(kCameraValueNames, name);
    } else if (IsPresetKey(subKey)) {
        known = Contains(kPresetValueNames, name);
    } else if (SameName(subKey, kGainKey)) {
        if (SameName(name, kExposureSecondsName)) {
            return ValueKind::Double;
        }
        known = Contains(kGainFields, name);
    } else if (SameName(subKey, kFilterKey)) {
        known = Contains(kFilterFields, name);
    } else if (SameName(subKey, kGrayKey)) {
        known = Contains(kGrayFields, name);
    }
    return known ? std::optional(ValueKind::Dword) : std::nullopt;
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

std::span<const NamedField<AnalogSettings>> GainFields() { return kGainFields; }
std::span<const NamedField<ImageFilterSettings>> FilterFields() { return kFilterFields; }
std::span<const NamedField<ImageFilterSettings>> GrayFields() { return kGrayFields; }

std::vector<platform::KeyWrite> DefaultCameraWrites(int32_t device) {
    const int32_t format[] = {0, kFreshColourMode, kFreshSubSample, kFreshWaitTimeMs, kFreshClockMode};
    const CaptureWindow window;
    platform::KeyWrite camera{CameraKey(device), {}};
    for (size_t i = 0; i < std::size(kCameraValueNames); ++i) {
        camera.values.push_back(SettingValue::Dword(kCameraValueNames[i], static_cast<uint32_t>(format[i])));
    }
    platform::KeyWrite preset{CameraSubKey(device, PresetName(0)), {}};
    for (size_t i = 0; i < std::size(kPresetValueNames); ++i) {
        preset.values.push_back(
            SettingValue::Dword(kPresetValueNames[i], static_cast<uint32_t>((window.*kPresetFields[i]).load())));
    }
    return {camera, preset};
}

}  // namespace ovilux::session
