// OviluxSettings.cpp - a session's settings in the settings store: the capture window and
// format at initialisation, and the Gain, Filter and Gray groups of the selected camera,
// loaded when it is selected and stored when it is left or the session ends. Store failures
// are silent to the application; the store itself says why on the debug output.
#include "camera/OviluxUXBase.h"
#include "platform/SettingsStore.h"
#include "session/FreshProfile.h"
#include "session/Ovilux.h"
#include "session/SettingsLayout.h"

namespace ovilux::session {

namespace {

using platform::SettingsStore;
using platform::SettingValue;

constexpr int32_t kMaxSubSample = 2;

template <typename Settings>
void LoadPresentValues(const StoredKey& key, std::span<const NamedField<Settings>> fields, Settings& settings) {
    for (const NamedField<Settings>& entry : fields) {
        if (const std::optional<int32_t> value = key.Dword(entry.name)) {
            (settings.*entry.field) = *value;
        }
    }
}

template <typename Settings>
platform::KeyWrite GroupWrite(int32_t device, const char* subKey, std::span<const NamedField<Settings>> fields,
                              const Settings& settings) {
    platform::KeyWrite write{CameraSubKey(device, subKey), {}};
    for (const NamedField<Settings>& entry : fields) {
        write.values.push_back(SettingValue::Dword(entry.name, static_cast<uint32_t>((settings.*entry.field).load())));
    }
    return write;
}

}  // namespace

int32_t COvilux::LoadSize() {
    SettingsStore store;
    const int32_t device = camera_->GetDeviceNumber();
    if (!store.ReadKey("")) {
        // First run: the defaults go into the store; this session keeps its own, which match.
        store.Write({"", DefaultCameraWrites(device)});
        return 0;
    }
    const std::optional<std::vector<SettingValue>> camera = store.ReadKey(CameraKey(device));
    const std::optional<int32_t> index = camera ? StoredKey(*camera).Dword("Size") : std::nullopt;
    if (!index || *index < 0 || *index >= kMaxSizePresets) {
        return 0;
    }
    const std::optional<std::vector<SettingValue>> preset = store.ReadKey(CameraSubKey(device, PresetName(*index)));
    if (!preset) {
        return 0;
    }
    const StoredKey values(*preset);
    for (size_t i = 0; i < std::size(kPresetValueNames); ++i) {
        if (const std::optional<int32_t> value = values.Dword(kPresetValueNames[i])) {
            (window_.*kPresetFields[i]) = *value;
        }
    }
    return 1;
}

int32_t COvilux::LoadFormat() {
    SettingsStore store;
    if (!store.ReadKey("")) {
        return 0;
    }
    const std::optional<std::vector<SettingValue>> camera = store.ReadKey(CameraKey(camera_->GetDeviceNumber()));
    if (!camera) {
        return 0;
    }
    // A value the session could not work with (edited by hand, or damaged) leaves the current one.
    const StoredKey values(*camera);
    if (const auto colour = values.Dword("Color"); colour && *colour >= 0 && *colour < kColourModeCount) {
        colourMode_ = *colour;
    }
    if (const auto sub = values.Dword("SubSample"); sub && *sub >= 0 && *sub <= kMaxSubSample) {
        subSample_ = *sub;
    }
    if (const auto wait = values.Dword("WaitTime"); wait && *wait >= 0) {
        waitTime_ = *wait;
    }
    if (const auto clock = values.Dword("Clock")) {
        clockMode_ = *clock;
    }
    return 1;
}

void COvilux::ReloadSizeAndFormat() {
    LoadSize();
    if (deviceSelected_ != 0) {
        FitWindowToSensor();
    }
    LoadFormat();
}

void COvilux::LoadDeviceSettings() {
    SettingsStore store;
    const int32_t device = camera_->GetDeviceNumber();
    settingsDevice_ = device;

    if (const auto gain = store.ReadKey(CameraSubKey(device, kGainKey))) {
        // One running value: a missing entry repeats the one read before it.
        const StoredKey values(*gain);
        int32_t running = 0;
        for (const NamedField<AnalogSettings>& entry : GainFields()) {
            running = values.Dword(entry.name).value_or(running);
            (analog_.*entry.field) = running;
        }
        analog_.exposureSeconds = values.Double(kExposureSecondsName).value_or(0.0);
    } else {
        LoadFreshAnalog(analog_, *camera_);
    }

    if (const auto filter = store.ReadKey(CameraSubKey(device, kFilterKey))) {
        LoadPresentValues(StoredKey(*filter), FilterFields(), filter_);
    } else {
        LoadFreshImageFilter(filter_);
    }

    if (const auto gray = store.ReadKey(CameraSubKey(device, kGrayKey))) {
        LoadPresentValues(StoredKey(*gray), GrayFields(), filter_);
    } else {
        LoadFreshGrayFilter(filter_);
    }
}

void COvilux::StoreDeviceSettings() {
    // Not the camera's number now: a failed open may have moved it without loading anything.
    const int32_t device = settingsDevice_;
    platform::KeyWrite gain = GroupWrite(device, kGainKey, GainFields(), analog_);
    gain.values.push_back(SettingValue::Binary(kExposureSecondsName, DoubleBytes(analog_.exposureSeconds.load())));
    // Gray is stored only into an existing camera key; the Gain and Filter keys written just
    // before it in the same transaction make that key, so it always goes along.
    SettingsStore store;
    store.Write({"",
                 {std::move(gain), GroupWrite(device, kFilterKey, FilterFields(), filter_),
                  GroupWrite(device, kGrayKey, GrayFields(), filter_)}});
}

}  // namespace ovilux::session
