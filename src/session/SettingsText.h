// SettingsText.h - one camera's stored settings as an INI-like text that people keep, share
// and put under version control: a [section] per key, named by its path below the settings
// root, and a line per value, "Name=dword:N" or "ExposureEx=double:SECONDS".
#pragma once

#include <cstdint>
#include <string>

#include "platform/SettingsStore.h"
#include "session/SettingsLayout.h"

namespace ovilux::session {

// The text of camera device's keys in the store; only the header when it holds none.
std::string SettingsToText(platform::SettingsStore& store, int32_t device);

// Reads a settings text into a batch that replaces camera device's keys. The text may come
// from another camera: its camera key is renamed to device's. False with a message naming the
// line when a section or value is unknown, has the wrong type, does not read or lies outside
// the range its setter takes (the camera's, from limits); the batch is then empty.
bool SettingsFromText(const std::string& text, int32_t device, const CameraLimits& limits, platform::StoreBatch* batch,
                      std::string* message);

}  // namespace ovilux::session
