// LiveMany.h - live view of several cameras at once (ovilux live --device 0,1,... or --all): a
// session per camera, every frame of each delivered to the tool, each camera's frame rate and
// losses each second and in the summary.
#pragma once

#include <cstdint>
#include <vector>

#include "CameraOptions.h"
#include "Commands.h"

namespace ovilux_tool {

// What live view runs with, whichever cameras it shows.
struct LiveSettings {
    int32_t seconds = 5;
    int32_t bits = 24;
    bool json = false;
    CameraOptions camera;
};

// Reads "0,1,3": device numbers 0 to 31, each once; false (with a message) otherwise.
bool ParseDeviceList(const std::string& text, const std::string& option, std::vector<int32_t>* devices);

// Streams the cameras of devices (every camera found when devices is empty) at once; the exit
// status as LiveCommand's.
int LiveMany(std::vector<int32_t> devices, const LiveSettings& settings, const GlobalOptions& global);

}  // namespace ovilux_tool
