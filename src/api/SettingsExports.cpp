// SettingsExports.cpp - a camera's stored settings as text: OviluxSettings_Export, _Import
// and _Reset, which reach the store directly with no session; and sessions on the factory
// settings, which never touch it.
#include <algorithm>
#include <cstring>
#include <string>

#include "OviluxSettings.h"
#include "platform/SettingsStore.h"
#include "session/ProductLimits.h"
#include "session/SettingsLayout.h"
#include "session/SettingsText.h"

using ovilux::platform::SettingsStore;
using ovilux::platform::StoreBatch;

namespace {

bool IsDevice(int32_t device) { return device >= 0 && device < ovilux::session::kMaxStoredDevices; }

// Copies a text with its NUL when it fits; returns its length either way.
int32_t CopyOut(const std::string& text, char* out, int32_t capacity) {
    if (out != nullptr && capacity > 0) {
        const size_t count = std::min(text.size(), static_cast<size_t>(capacity) - 1);
        if (text.size() < static_cast<size_t>(capacity)) {
            std::memcpy(out, text.c_str(), text.size() + 1);
        } else {
            std::memcpy(out, text.c_str(), count);
            out[count] = '\0';
        }
    }
    return static_cast<int32_t>(text.size());
}

}  // namespace

extern "C" int32_t OviluxSettings_Export(int32_t device, char* text, int32_t capacity) {
    try {
        if (!IsDevice(device) || capacity < 0 || (text == nullptr && capacity > 0)) {
            return -1;
        }
        SettingsStore store;
        const std::string result = ovilux::session::SettingsToText(store, device);
        // Only a whole text is handed out; a short buffer learns the size it needs.
        if (static_cast<size_t>(capacity) <= result.size()) {
            return static_cast<int32_t>(result.size());
        }
        return CopyOut(result, text, capacity);
    } catch (...) {
        return -1;
    }
}

extern "C" int32_t OviluxSettings_Import(int32_t device, const char* text, char* message, int32_t messageCapacity) {
    try {
        std::string why;
        StoreBatch batch;
        if (!IsDevice(device) || text == nullptr) {
            why = "no settings text, or a device number outside 0 to 31";
        } else if (ovilux::session::SettingsFromText(text, device, ovilux::session::ProductLimits(), &batch, &why)) {
            SettingsStore store;
            if (store.Write(batch)) {
                CopyOut("", message, messageCapacity);
                return 1;
            }
            why = "the settings store refused the change: " + SettingsStore::Location();
        }
        CopyOut(why, message, messageCapacity);
        return 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int32_t OviluxSettings_Reset(int32_t device) {
    try {
        if (!IsDevice(device)) {
            return 0;
        }
        SettingsStore store;
        return store.Write({ovilux::session::CameraKey(device), ovilux::session::DefaultCameraWrites(device)}) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
