// SettingsLayout.h - where each kept setting lives in the settings store: one key per camera
// ("Camera_00"), its size presets ("Size_00" ...) and its Gain, Filter and Gray groups, the
// name and type of every value, and the values a first run writes.
#pragma once

#include <cstdint>
#include <climits>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/SettingsStore.h"
#include "session/KeptSettings.h"

namespace ovilux::session {

constexpr int32_t kMaxSizePresets = 100;
// Device numbers are those of the shared device table: 0 to 31.
constexpr int32_t kMaxStoredDevices = 32;
// "Camera_%02d" and "Size_%02d" keep two digits readable; larger numbers simply grow longer.
std::string CameraKey(int32_t device);
std::string CameraSubKey(int32_t device, const std::string& subKey);
std::string PresetName(int32_t index);

constexpr const char* kGainKey = "Gain";
constexpr const char* kFilterKey = "Filter";
constexpr const char* kGrayKey = "Gray";
constexpr const char* kExposureSecondsName = "ExposureEx";

// A value is a 32-bit number, or (ExposureEx only) a double kept as 8 little-endian bytes.
enum class ValueKind { Dword, Double };
// True for the keys below a camera key that hold settings ("" the camera key itself,
// "Size_00" to "Size_99", "Gain", "Filter", "Gray"), in any case.
bool IsSettingsKey(const std::string& subKey);
// The kind of a value in a key below a camera key ("" for the camera key itself, "Size_07",
// "Gain", ...); nullopt when the key or the value is not one the settings use.
std::optional<ValueKind> KindOf(const std::string& subKey, const std::string& name);

std::vector<uint8_t> DoubleBytes(double value);
std::optional<double> DoubleFromBytes(const std::vector<uint8_t>& bytes);

// The values of one key as read, looked up by name without regard to case.
class StoredKey {
public:
    explicit StoredKey(std::vector<platform::SettingValue> values) : values_(std::move(values)) {}
    // A well-formed 32-bit value, as the signed number the session keeps.
    std::optional<int32_t> Dword(const char* name) const;
    std::optional<double> Double(const char* name) const;

private:
    const platform::SettingValue* Find(const char* name) const;
    std::vector<platform::SettingValue> values_;
};

// The seven values of a size preset, in the order the capture window keeps them.
constexpr const char* kPresetValueNames[] = {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf"};
KeptInt CaptureWindow::* const kPresetFields[] = {&CaptureWindow::TH,  &CaptureWindow::TV,  &CaptureWindow::EH,
                                                   &CaptureWindow::EV,  &CaptureWindow::EHS, &CaptureWindow::EVS,
                                                   &CaptureWindow::Buf};

// The values a setting may take, as its setter takes them: a fixed range, or the camera's own
// range where the camera decides.
enum class CameraBound { None, GlobalGain, ColorGain, Exposure, Level };
struct Bound {
    int64_t minimum;
    int64_t maximum;
    CameraBound camera = CameraBound::None;
};
constexpr Bound kAnyValue{INT32_MIN, INT32_MAX};

// The camera's ranges for the settings it decides; a range it does not report takes any value.
struct CameraLimits {
    Bound globalGain = kAnyValue;
    Bound colorGain = kAnyValue;
    Bound exposure = kAnyValue;
    Bound level = kAnyValue;
    std::optional<std::pair<double, double>> exposureSeconds;  // nullopt: any finite number
};

// The limits of a camera device or a sensor model (both answer the same questions).
template <typename Camera>
CameraLimits LimitsOf(Camera& camera) {
    CameraLimits limits;
    const auto range = [](auto getMin, auto getMax) {
        int32_t minimum = 0;
        int32_t maximum = 0;
        return getMin(&minimum) && getMax(&maximum) && minimum <= maximum ? Bound{minimum, maximum} : kAnyValue;
    };
    limits.globalGain = range([&](int32_t* v) { return camera.GetGlobalGainMin(v); },
                              [&](int32_t* v) { return camera.GetGlobalGainMax(v); });
    limits.colorGain = range([&](int32_t* v) { return camera.GetColorGainMin(v); },
                             [&](int32_t* v) { return camera.GetColorGainMax(v); });
    limits.exposure = range([&](int32_t* v) { return camera.GetRealExposureMin(v); },
                            [&](int32_t* v) { return camera.GetRealExposureMax(v); });
    limits.level = range([&](int32_t* v) { return camera.GetLevelMin(v); }, [&](int32_t* v) { return camera.GetLevelMax(v); });
    double minimum = 0.0;
    double maximum = 0.0;
    if (camera.IsExposureSecondsSupported() && camera.GetExposureSecondsMin(&minimum) &&
        camera.GetExposureSecondsMax(&maximum)) {
        limits.exposureSeconds = std::pair(minimum, maximum);
    }
    return limits;
}

// The range of a 32-bit value of a key below a camera key ("" the camera key itself, "Size_07",
// "Gain", ...); nullopt for a value the settings do not use.
std::optional<Bound> RangeOf(const std::string& subKey, const std::string& name, const CameraLimits& limits);
// A bound with the camera's range put in where the camera decides.
Bound Resolve(const Bound& bound, const CameraLimits& limits);
bool IsInRange(int64_t value, const Bound& bound);
bool IsSecondsInRange(double seconds, const CameraLimits& limits);
// "0 to 400", for messages.
std::string RangeText(const Bound& bound);

template <typename Settings>
struct NamedField {
    const char* name;
    KeptInt Settings::*field;
    Bound bound;
};
// The Gain group in the order it is read: a missing value takes the one read before it.
std::span<const NamedField<AnalogSettings>> GainFields();
std::span<const NamedField<ImageFilterSettings>> FilterFields();
std::span<const NamedField<ImageFilterSettings>> GrayFields();

// The camera key's format values and its Size_00 preset as a first run writes them.
std::vector<platform::KeyWrite> DefaultCameraWrites(int32_t device);

}  // namespace ovilux::session
