// OviluxDevices.cpp - enumeration, names and selection of cameras, and closing a session's
// capture.
#include <cstdio>
#include <cstring>

#include "camera/OviluxUXBase.h"
#include "platform/TextCodec.h"
#include "session/Ovilux.h"

namespace ovilux::session {

namespace {

// "OviluxM03-UX_01" for ordinal 1; the text is cut to fit capacity.
void FormatName(char* out, size_t capacity, int32_t ordinal) {
    std::snprintf(out, capacity, "%s_%02d", kModelName, static_cast<int>(ordinal));
}

}  // namespace

int32_t COvilux::EnumDevice(char* names) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (names == nullptr) {
        RecordError(code::kBadArgument);
        return 0;
    }
    const int32_t count = camera_->CountDevices(kProductId);
    int32_t written = 0;
    // More cameras than slots: the application's table holds ten names, so ten are reported.
    // Rows of unplugged cameras, and of cameras only other processes see, keep their device
    // numbers in the shared table, so a present camera's number may lie beyond the count of
    // present ones: the numbers are looked at until every present camera is named.
    const int32_t numbers = camera_->GetMaxDevices();
    for (int32_t index = 0; index < numbers && written < count && written < kEnumSlots; ++index) {
        if (camera_->IsDeviceNumberValid(index)) {
            FormatName(names + written * kEnumNameChars, kEnumNameChars, written + 1);
            ++written;
        }
    }
    for (int32_t slot = written; slot < kEnumSlots; ++slot) {
        names[slot * kEnumNameChars] = '\0';
    }
    return written;
}

int32_t COvilux::EnumDeviceW(char16_t* names) {
    if (names == nullptr) {
        RecordError(camera_ ? code::kBadArgument : code::kNoCamera);
        return 0;
    }
    char narrow[kEnumSlots * kEnumNameChars] = {};
    const int32_t written = EnumDevice(narrow);
    for (int32_t slot = 0; slot < kEnumSlots; ++slot) {
        char16_t* out = names + slot * kEnumNameChars;
        if (slot >= written || platform::AnsiToWide(narrow + slot * kEnumNameChars, out, kEnumNameChars) == 0) {
            out[0] = u'\0';
        }
    }
    return written;
}

int32_t COvilux::GetDeviceName(int32_t index, char* buffer, int32_t length) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    if (buffer == nullptr || length < kMinNameLength) {
        RecordError(code::kBadArgument);
        return 0;
    }
    if (index < 0 || index >= camera_->GetMaxDevices() || !camera_->IsDeviceNumberValid(index)) {
        RecordError(code::kNotPresent);
        return 0;
    }
    FormatName(buffer, static_cast<size_t>(length), index + 1);
    return 1;
}

int32_t COvilux::GetDeviceNameW(int32_t index, char16_t* buffer, int32_t length) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    // A length too short for the name, zero and below included, is the conversion's failure.
    if (buffer == nullptr) {
        RecordError(code::kBadArgument);
        return 0;
    }
    char narrow[kEnumNameChars] = {};
    if (!GetDeviceName(index, narrow, kEnumNameChars)) {
        return 0;
    }
    char16_t wide[kWideNameUnits];
    const int units = platform::AnsiToWide(narrow, wide, kWideNameUnits);
    if (units == 0 || length < units) {
        RecordError(code::kConversion);
        return 0;
    }
    std::memcpy(buffer, wide, static_cast<size_t>(units) * sizeof(char16_t));
    return 1;
}

int32_t COvilux::SetDeviceNumber(int32_t index) {
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock guard(captureLock_);
    // Opening another camera replaces the sensor model the transfer thread works with, so a
    // running capture is stopped first rather than pulled from under the worker.
    if (captureState_ != state::kIdle) {
        StopPreview();
    }
    // The settings of the camera being left go to its own key before another's are loaded;
    // selecting the same camera again therefore keeps what the session had set.
    if (deviceSelected_ != 0) {
        StoreDeviceSettings();
    }
    if (camera_->IsDeviceNumberValid(index) && camera_->OpenDevice(index)) {
        GiveCameraKeyFirstRunValues(camera_->GetDeviceNumber());
        LoadDeviceSettings();
        PushSelectionSettings();
        selectedDevice_ = index;
        deviceSelected_ = 1;
        return 1;
    }
    RecordError(code::kNotPresent);
    return 0;
}

int32_t COvilux::Close() {
    if (!camera_) {
        return 1;
    }
    platform::CriticalSectionLock guard(captureLock_);
    StopPreview();
    camera_->StopTransfer();
    ClosePreviewWindow();
    return 1;
}

}  // namespace ovilux::session
