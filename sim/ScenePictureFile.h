// ScenePictureFile.h - a scene from a picture file a tester chose: uncompressed 8-bit (gray
// through its colour table) or 24-bit BMP, or any PNG (taken as 8-bit gray or blue-green-red).
#pragma once

#include <memory>

#include "sim/Scene.h"

namespace ovilux::sim {

// Null when the file cannot be read or is not such a picture.
std::shared_ptr<const CScene> LoadScenePicture(const char* path);

}  // namespace ovilux::sim
