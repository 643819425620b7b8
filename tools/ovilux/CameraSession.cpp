// CameraSession.cpp - opening a session and a camera for one command.
#include "CameraSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Arguments.h"
#include "OviluxCodes.h"
#include "OviluxSdk.h"
#include "OviluxSettings.h"
#include "OviluxSim.h"

namespace ovilux_tool {

namespace {

constexpr int32_t kDeviceTableRows = 32;  // the library's device table: device numbers 0 to 31

// Hex product ids separated by commas ("3030" or "3030,3030"); nullopt when any is not one.
std::optional<std::vector<uint32_t>> ParseProductIds(const std::string& text) {
    std::vector<uint32_t> ids;
    std::stringstream list(text);
    std::string id;
    while (std::getline(list, id, ',')) {
        char* end = nullptr;
        const unsigned long productId = std::strtoul(id.c_str(), &end, 16);
        if (id.empty() || *end != '\0' || productId > 0xFFFF) {
            return std::nullopt;
        }
        ids.push_back(static_cast<uint32_t>(productId));
    }
    if (ids.empty() || text.back() == ',') {
        return std::nullopt;
    }
    return ids;
}

// The product the library beside this tool is built for, as --simulate names it.
std::string ServedProduct() {
    char text[8];
    std::snprintf(text, sizeof(text), "%04x", static_cast<unsigned>(OVILUX_TOOL_PRODUCT_ID));
    return text;
}

// False, after saying which product this build serves, when an id is another product's: its
// camera would be plugged in, but no session of this library would find it.
bool AllServed(const std::vector<uint32_t>& ids, const std::string& where) {
    for (const uint32_t id : ids) {
        if (id != OVILUX_TOOL_PRODUCT_ID) {
            char text[8];
            std::snprintf(text, sizeof(text), "%04x", static_cast<unsigned>(id));
            Complain(where + ": this build serves product " + ServedProduct() + " only, not " + text +
                     " (simulate " + ServedProduct() + ")");
            return false;
        }
    }
    return true;
}

}  // namespace

bool StartSimulation(const std::string& productIds) {
    if (OviluxSim_List(nullptr, 0) > 0) {
        return true;  // OVILUX_SIMULATE already plugged cameras in
    }
    const std::string text = productIds.empty() ? ServedProduct() : productIds;
    const auto ids = ParseProductIds(text);
    if (ids && !AllServed(*ids, "--simulate=" + text)) {
        return false;
    }
    bool attached = ids.has_value();
    for (size_t i = 0; attached && i < ids->size(); ++i) {
        attached = OviluxSim_Attach((*ids)[i], OVILUX_SIM_ANY_PORT) >= 0;
    }
    if (!attached) {
        Complain("--simulate takes hex product ids separated by commas (the simulated camera is " + ServedProduct() +
                 "), not \"" + text + "\"");
    }
    return attached;
}

bool CheckSimulationEnvironment() {
    const char* value = std::getenv("OVILUX_SIMULATE");
    if (value == nullptr || *value == '\0') {
        return true;
    }
    // The library attached what it could when it loaded; anything less means a wrong setting.
    const auto ids = ParseProductIds(value);
    if (ids && !AllServed(*ids, std::string("OVILUX_SIMULATE=") + value)) {
        return false;
    }
    if (!ids || OviluxSim_List(nullptr, 0) < static_cast<int32_t>(ids->size())) {
        Complain(std::string("OVILUX_SIMULATE=") + value +
                 " is not a list of simulated cameras: it takes hex product ids separated by commas, and the "
                 "simulated camera is " + ServedProduct() + " (e.g. OVILUX_SIMULATE=" + ServedProduct() + "," +
                 ServedProduct() + ")");
        return false;
    }
    return true;
}

const char* CameraTransports() {
#ifdef _WIN32
    return "USB cameras through the FX3 driver, and the simulated camera (--simulate)";
#else
    return "USB cameras through libusb (usbfs), and the simulated camera (--simulate)";
#endif
}

CameraSession::~CameraSession() {
    if (handle_ != 0) {
        Ovilux_Release(handle_);
    }
}

bool CameraSession::Create() {
    handle_ = factorySettings_ ? OviluxSettings_InitializeWithFactorySettings(nullptr) : Ovilux_Initialize(nullptr);
    if (handle_ == 0) {
        Complain("the library could not create a session");
        return false;
    }
    return true;
}

std::vector<std::pair<int32_t, std::string>> CameraSession::PresentCameras() const {
    std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
    std::vector<std::pair<int32_t, std::string>> present;
    if (Ovilux_EnumDevice(Fresh(), names.data()) <= 0) {
        return present;
    }
    char name[OVILUX_ENUM_NAME_CHARS] = {};
    for (int32_t number = 0; number < kDeviceTableRows; ++number) {
        if (Ovilux_GetDeviceName(handle_, number, name, sizeof name) == 1) {
            present.emplace_back(number, name);
        }
    }
    Fresh();  // the absent numbers' codes
    return present;
}

bool CameraSession::OpenCamera(int32_t index, bool simulating) {
    if (!Create()) {
        return false;
    }
    const auto present = PresentCameras();
    if (present.empty()) {
        ReportNoCamera(simulating);
        return false;
    }
    if (std::none_of(present.begin(), present.end(), [index](const auto& camera) { return camera.first == index; })) {
        Complain("there is no camera " + std::to_string(index) + "; " + std::to_string(present.size()) +
                 " found (see: ovilux list)");
        return false;
    }
    if (!Ovilux_SetDeviceNumber(Fresh(), index)) {
        return Fail("Ovilux_SetDeviceNumber");
    }
    return true;
}

void ReportNoCamera(bool simulating) {
    Complain(simulating ? "the simulated camera was not found"
                        : "no camera found; to try the SDK without one, add --simulate");
    Complain(std::string("this build reaches ") + CameraTransports());
}

uint32_t CameraSession::Fresh() const {
    if (handle_ != 0) {
        while (Ovilux_GetLastError(handle_) != 0) {
        }
    }
    return handle_;
}

void ReportCode(const char* what, int32_t code) {
    if (code == 0) {
        std::fprintf(stderr, "ovilux: %s failed: %s\n", what, OviluxCode_Text(code));
    } else {
        std::fprintf(stderr, "ovilux: %s failed: code %d (%s)\n", what, static_cast<int>(code), OviluxCode_Text(code));
    }
}

bool CameraSession::Fail(const char* call) const {
    ReportCode(call, handle_ != 0 ? Ovilux_GetLastError(handle_) : OVILUX_CODE_NO_CAMERA);
    return false;
}

}  // namespace ovilux_tool
