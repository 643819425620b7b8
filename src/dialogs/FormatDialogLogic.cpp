// FormatDialogLogic.cpp - presets, format values and their store under the camera key.
#include "dialogs/FormatDialogLogic.h"

#include <cstdio>

#include "session/Ovilux.h"
#include "session/SettingsLayout.h"

namespace ovilux::dialogs {

namespace {

using platform::SettingValue;

constexpr SizePreset kDefaultPreset{{2592, 1944, 2560, 1920, 0, 0}, 4};
constexpr int32_t kColourModes = 6;
constexpr int32_t kSubSampleCodes = 3;
constexpr int32_t kLiveView = 1;
constexpr int32_t kPrepared = 2;

SizePreset ReadPreset(const session::StoredKey& key) {
    SizePreset preset = kDefaultPreset;
    for (int32_t i = 0; i < kSizeEditCount; ++i) {
        if (const auto value = key.Dword(session::kPresetValueNames[i])) {
            preset.edits[static_cast<size_t>(i)] = static_cast<uint32_t>(*value);
        }
    }
    if (const auto value = key.Dword(session::kPresetValueNames[kSizeEditCount])) {
        preset.buffers = static_cast<uint32_t>(*value);
    }
    return preset;
}

}  // namespace

CFormatDialogLogic::CFormatDialogLogic(int32_t deviceNumber, bool widthFree, bool heightFree)
    : device_(deviceNumber), widthFree_(widthFree), heightFree_(heightFree) {
    edits_ = kDefaultPreset.edits;
}

void CFormatDialogLogic::Load(platform::SettingsStore& store) {
    presets_.clear();
    for (int32_t index = 0; index < kMaxPresets; ++index) {
        const auto key = store.ReadKey(session::CameraSubKey(device_, session::PresetName(index)));
        if (!key) {
            break;
        }
        presets_.push_back(ReadPreset(session::StoredKey(*key)));
    }
    if (const auto camera = store.ReadKey(session::CameraKey(device_))) {
        const session::StoredKey values(*camera);
        selectedSize_ = values.Dword("Size").value_or(selectedSize_);
        colourMode_ = values.Dword("Color").value_or(colourMode_);
        subSample_ = values.Dword("SubSample").value_or(subSample_);
        waitTime_ = values.Dword("WaitTime").value_or(waitTime_);
    }
    // A stored value the lists do not hold shows their first entry, as the combos would, and
    // a selection past the presets would otherwise be overwritten by Apply as if it were one.
    if (colourMode_ < 0 || colourMode_ >= kColourModes) {
        colourMode_ = 0;
    }
    if (subSample_ < 0 || subSample_ >= kSubSampleCodes) {
        subSample_ = 0;
    }
    if (selectedSize_ < 0 || selectedSize_ > PresetCount() || (selectedSize_ == PresetCount() && PresetCount() > 0)) {
        selectedSize_ = 0;
    }
    ShowPreset(selectedSize_);
    applyEnabled_ = false;
}

std::vector<std::string> CFormatDialogLogic::PresetNames() const {
    std::vector<std::string> names;
    for (const SizePreset& preset : presets_) {
        char name[32];
        std::snprintf(name, sizeof name, "%d x %d", static_cast<int32_t>(preset.edits[2]),
                      static_cast<int32_t>(preset.edits[3]));
        names.emplace_back(name);
    }
    return names;
}

void CFormatDialogLogic::ShowPreset(int32_t index) {
    if (index >= 0 && index < PresetCount()) {
        edits_ = presets_[static_cast<size_t>(index)].edits;
    }
}

void CFormatDialogLogic::SelectSize(int32_t index) {
    if (index < 0 || index > PresetCount()) {
        return;
    }
    selectedSize_ = index;
    ShowPreset(index);
    applyEnabled_ = true;
}

void CFormatDialogLogic::SetColourMode(int32_t code) {
    if (code >= 0 && code < kColourModes) {
        colourMode_ = code;
        applyEnabled_ = true;
    }
}

void CFormatDialogLogic::SetSubSample(int32_t code) {
    if (code >= 0 && code < kSubSampleCodes) {
        subSample_ = code;
        applyEnabled_ = true;
    }
}

void CFormatDialogLogic::SetWaitTime(uint32_t milliseconds) {
    waitTime_ = static_cast<int32_t>(milliseconds);
    applyEnabled_ = true;
}

void CFormatDialogLogic::SetEdit(SizeEdit edit, uint32_t value) {
    edits_[static_cast<size_t>(edit)] = value;
    applyEnabled_ = true;
}

ApplyResult CFormatDialogLogic::Apply(platform::SettingsStore& store) {
    if (CustomSelected()) {
        if (PresetCount() >= kMaxPresets) {
            return ApplyResult::PresetTableFull;
        }
        presets_.push_back(SizePreset{edits_, kDefaultPreset.buffers});
    } else {
        presets_[static_cast<size_t>(selectedSize_)].edits = edits_;
    }

    platform::StoreBatch batch;
    for (int32_t index = 0; index < PresetCount(); ++index) {
        const SizePreset& preset = presets_[static_cast<size_t>(index)];
        platform::KeyWrite write{session::CameraSubKey(device_, session::PresetName(index)), {}};
        for (int32_t i = 0; i < kSizeEditCount; ++i) {
            write.values.push_back(SettingValue::Dword(session::kPresetValueNames[i], preset.edits[static_cast<size_t>(i)]));
        }
        write.values.push_back(SettingValue::Dword(session::kPresetValueNames[kSizeEditCount], preset.buffers));
        batch.writes.push_back(std::move(write));
    }
    batch.writes.push_back({session::CameraKey(device_),
                            {SettingValue::Dword("Size", static_cast<uint32_t>(selectedSize_)),
                             SettingValue::Dword("Color", static_cast<uint32_t>(colourMode_)),
                             SettingValue::Dword("SubSample", static_cast<uint32_t>(subSample_)),
                             SettingValue::Dword("WaitTime", static_cast<uint32_t>(waitTime_)),
                             SettingValue::Dword("Clock", kShownClockEntry)}});
    if (!store.Write(batch)) {
        return ApplyResult::StoreFailed;
    }
    applyEnabled_ = false;
    return ApplyResult::Stored;
}

CFormatDialogRun::CFormatDialogRun(session::COvilux& session) : session_(session), captureState_(session.CaptureState()) {
    if (captureState_ == kLiveView || captureState_ == kPrepared) {
        session_.StopPreview();
    }
}

void CFormatDialogRun::Finish(bool confirmed) {
    if (confirmed) {
        session_.ReloadSizeAndFormat();
    }
    if (captureState_ == kLiveView) {
        session_.StartPreview();
    } else if (captureState_ == kPrepared) {
        session_.Capture();
    }
}

}  // namespace ovilux::dialogs
