// OviluxSettings.cpp - a session's settings in the settings store: the capture window and
// format at initialisation, and the Gain, Filter and Gray groups of the selected camera,
// loaded when it is selected and stored when it is left or the session ends. Store failures
// are silent to the application; the store itself says why on the debug output.
#include "camera/OviluxUXBase.h"
#include "platform/DebugOutput.h"
#include "platform/SettingsStore.h"
#include "session/FreshProfile.h"
#include "session/Ovilux.h"
#include "session/SettingsLayout.h"

namespace ovilux::session {

namespace {

using platform::SettingsStore;
using platform::SettingValue;

void ReportOutOfRange(const std::string& path, const char* name, int32_t value, const Bound& bound) {
    platform::DebugOutput(("ovilux settings: " + path + "\\" + name + " = " + std::to_string(value) + " is outside " +
                           RangeText(bound) + "; the default is used\n")
                              .c_str());
}

// A stored value the session can use: present, and in the range its setter takes. One out of
// range (edited by hand, or stored by an older program) is reported and counts as missing.
std::optional<int32_t> UsableValue(const StoredKey& key, const std::string& path, const char* name, const Bound& bound) {
    const std::optional<int32_t> value = key.Dword(name);
    if (value && !IsInRange(*value, bound)) {
        ReportOutOfRange(path, name, *value, bound);
        return std::nullopt;
    }
    return value;
}

// Filter and Gray: a missing value leaves the kept one; one out of range gives the default.
template <typename Settings>
void LoadGroup(const StoredKey& key, const std::string& path, std::span<const NamedField<Settings>> fields,
               const Settings& defaults, Settings& settings) {
    for (const NamedField<Settings>& entry : fields) {
        if (!key.Dword(entry.name)) {
            continue;
        }
        const std::optional<int32_t> value = UsableValue(key, path, entry.name, entry.bound);
        (settings.*entry.field) = value.value_or((defaults.*entry.field).load());
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

// The Size_00 preset as a first run writes it.
StoredKey FactoryPreset(int32_t device) { return StoredKey(DefaultCameraWrites(device).at(1).values); }

}  // namespace

int32_t COvilux::LoadSize() {
    if (!usesStore_) {
        return 0;
    }
    SettingsStore store;
    const int32_t device = camera_->GetDeviceNumber();
    if (!store.ReadKey("")) {
        // First run: the defaults go into the store; this session keeps its own, which match.
        // A store that could not be read may hold settings: nothing is written over them.
        if (!store.ReadFailed()) {
            store.Write({"", DefaultCameraWrites(device)});
        }
        return 0;
    }
    const std::string cameraKey = CameraKey(device);
    const std::optional<std::vector<SettingValue>> camera = store.ReadKey(cameraKey);
    const CameraLimits limits = LimitsOf(*camera_);
    const std::optional<int32_t> index =
        camera ? UsableValue(StoredKey(*camera), cameraKey, "Size", *RangeOf("", "Size", limits)) : std::nullopt;
    if (!index) {
        return 0;
    }
    const std::string presetKey = CameraSubKey(device, PresetName(*index));
    const std::optional<std::vector<SettingValue>> preset = store.ReadKey(presetKey);
    if (!preset) {
        return 0;
    }
    const StoredKey values(*preset);
    for (size_t i = 0; i < std::size(kPresetValueNames); ++i) {
        const char* name = kPresetValueNames[i];
        if (const std::optional<int32_t> value =
                UsableValue(values, presetKey, name, *RangeOf(PresetName(*index), name, limits))) {
            (window_.*kPresetFields[i]) = *value;
        }
    }
    return 1;
}

int32_t COvilux::LoadFormat() {
    if (!usesStore_) {
        return 0;
    }
    SettingsStore store;
    if (!store.ReadKey("")) {
        return 0;
    }
    const std::string cameraKey = CameraKey(camera_->GetDeviceNumber());
    const std::optional<std::vector<SettingValue>> camera = store.ReadKey(cameraKey);
    if (!camera) {
        return 0;
    }
    // A value the session could not work with (edited by hand, or damaged) leaves the current one.
    const StoredKey values(*camera);
    const CameraLimits limits = LimitsOf(*camera_);
    const std::pair<const char*, std::atomic<int32_t>*> format[] = {
        {"Color", &colourMode_}, {"SubSample", &subSample_}, {"WaitTime", &waitTime_}, {"Clock", &clockMode_}};
    for (const auto& [name, field] : format) {
        if (const auto value = UsableValue(values, cameraKey, name, *RangeOf("", name, limits))) {
            *field = *value;
        }
    }
    return 1;
}

void COvilux::ReloadSizeAndFormat() {
    LoadSize();
    LoadFormat();
}

void COvilux::LoadDeviceSettings() {
    const int32_t device = camera_->GetDeviceNumber();
    settingsDevice_ = device;
    std::optional<SettingsStore> store;
    if (usesStore_) {
        store.emplace();
    }
    const auto read = [&](const std::string& path) { return store ? store->ReadKey(path) : std::nullopt; };

    AnalogSettings freshAnalog;
    LoadFreshAnalog(freshAnalog, *camera_);
    const std::string gainKey = CameraSubKey(device, kGainKey);
    if (const auto gain = read(gainKey)) {
        // One running value: a missing entry repeats the one read before it.
        const StoredKey values(*gain);
        const CameraLimits limits = LimitsOf(*camera_);
        // A value outside its setter's range, read or repeated, gives the default.
        int32_t running = 0;
        for (const NamedField<AnalogSettings>& entry : GainFields()) {
            const Bound bound = Resolve(entry.bound, limits);
            const std::optional<int32_t> stored = values.Dword(entry.name);
            running = stored.value_or(running);
            if (IsInRange(running, bound)) {
                (analog_.*entry.field) = running;
                continue;
            }
            if (stored) {
                ReportOutOfRange(gainKey, entry.name, running, bound);
            }
            (analog_.*entry.field) = (freshAnalog.*entry.field).load();
        }
        const double seconds = values.Double(kExposureSecondsName).value_or(0.0);
        analog_.exposureSeconds = IsSecondsInRange(seconds, limits) ? seconds : freshAnalog.exposureSeconds.load();
    } else {
        LoadFreshAnalog(analog_, *camera_);
    }

    ImageFilterSettings freshFilter;
    LoadFreshImageFilter(freshFilter);
    LoadFreshGrayFilter(freshFilter);
    const std::string filterKey = CameraSubKey(device, kFilterKey);
    if (const auto filter = read(filterKey)) {
        LoadGroup(StoredKey(*filter), filterKey, FilterFields(), freshFilter, filter_);
    } else {
        LoadFreshImageFilter(filter_);
        ResetUnkeptFilterSwitches();
    }

    const std::string grayKey = CameraSubKey(device, kGrayKey);
    if (const auto gray = read(grayKey)) {
        LoadGroup(StoredKey(*gray), grayKey, GrayFields(), freshFilter, filter_);
    } else {
        LoadFreshGrayFilter(filter_);
    }
}

void COvilux::ResetUnkeptFilterSwitches() {
    filter_.bayerGainAuto = 0;
    filter_.grayGainCounter = 0;
    whiteBalanceRequests_ = 0;
    dotFilter_ = 0;
    maskFilter_ = 0;
}

void COvilux::GiveCameraKeyFirstRunValues(int32_t device) {
    if (!usesStore_) {
        return;
    }
    SettingsStore store;
    if (!store.ReadKey(CameraKey(device)) && !store.ReadFailed()) {
        store.Write({"", DefaultCameraWrites(device)});
    }
}

std::optional<StoredKey> COvilux::FindSizePreset(int32_t width, int32_t height) {
    const int32_t device = camera_->GetDeviceNumber();
    const auto matches = [&](const StoredKey& values) {
        return values.Dword("EH") == width && values.Dword("EV") == height;
    };
    if (!usesStore_) {
        StoredKey factory = FactoryPreset(device);
        return matches(factory) ? std::optional(std::move(factory)) : std::nullopt;
    }
    // The presets belong to the selected camera: they are read from its key, where they are stored.
    platform::SettingsStore store;
    if (!store.ReadKey("")) {
        return std::nullopt;
    }
    for (int32_t index = 0; index < kMaxSizePresets; ++index) {
        const auto preset = store.ReadKey(CameraSubKey(device, PresetName(index)));
        if (!preset) {
            break;
        }
        StoredKey values(*preset);
        if (matches(values)) {
            return values;
        }
    }
    return std::nullopt;
}

void COvilux::StoreDeviceSettings() {
    if (!usesStore_) {
        return;
    }
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
