// CameraSession.cpp - opening a session and a camera for one command.
#include "CameraSession.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "Arguments.h"
#include "ErrorText.h"
#include "OviluxSdk.h"
#include "OviluxSim.h"

namespace ovilux_tool {

bool StartSimulation(const std::string& productIds) {
    if (OviluxSim_List(nullptr, 0) > 0) {
        return true;  // OVILUX_SIMULATE already plugged cameras in
    }
    std::stringstream list(productIds.empty() ? "3030" : productIds);
    std::string id;
    while (std::getline(list, id, ',')) {
        char* end = nullptr;
        const unsigned long productId = std::strtoul(id.c_str(), &end, 16);
        if (id.empty() || *end != '\0' || OviluxSim_Attach(static_cast<uint32_t>(productId), OVILUX_SIM_ANY_PORT) < 0) {
            Complain("--simulate takes hex product ids separated by commas (the simulated camera is 3030), not \"" +
                     id + "\"");
            return false;
        }
    }
    return true;
}

CameraSession::~CameraSession() {
    if (handle_ != 0) {
        Ovilux_Release(handle_);
    }
}

bool CameraSession::Create() {
    handle_ = Ovilux_Initialize(nullptr);
    if (handle_ == 0) {
        Complain("the library could not create a session");
        return false;
    }
    return true;
}

bool CameraSession::OpenCamera(int32_t index, bool simulating) {
    if (!Create()) {
        return false;
    }
    std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
    const int32_t count = Ovilux_EnumDevice(handle_, names.data());
    if (count <= 0) {
        ReportNoCamera(simulating);
        return false;
    }
    if (index >= count) {
        Complain("there is no camera " + std::to_string(index) + "; " + std::to_string(count) +
                 " found (see: ovilux list)");
        return false;
    }
    if (!Ovilux_SetDeviceNumber(handle_, index)) {
        return Fail("Ovilux_SetDeviceNumber");
    }
    return true;
}

void ReportNoCamera(bool simulating) {
    Complain(simulating ? "the simulated camera was not found"
                        : "no camera found; to try the SDK without one, add --simulate");
}

bool CameraSession::Fail(const char* call) const {
    const int32_t code = handle_ != 0 ? Ovilux_GetLastError(handle_) : OVILUX_CODE_NO_CAMERA;
    std::fprintf(stderr, "ovilux: %s failed: code %d (%s)\n", call, static_cast<int>(code), ExplainCode(code));
    return false;
}

}  // namespace ovilux_tool
