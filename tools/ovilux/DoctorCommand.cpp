// DoctorCommand.cpp - ovilux doctor: what stands between this user and the cameras. Lists the
// cameras on USB, whether this user may open each (and the udev rule that would allow it),
// usbfs's memory limit against what streaming needs, the library's build and transports, and
// where the settings live.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"

#ifndef _WIN32
#include <libusb.h>
#include <unistd.h>

#include <fstream>
#endif

namespace ovilux_tool {

namespace {

void PrintBuild() {
    const uint32_t version = Ovilux_GetDllVersion();
    std::printf("library     OviluxSdk_M03_UX 0x%08X (camera model %u, interface %X.%02X)\n",
                static_cast<unsigned>(version), static_cast<unsigned>(version >> 16),
                static_cast<unsigned>((version >> 8) & 0xFFu), static_cast<unsigned>(version & 0xFFu));
    std::printf("transports  %s\n", CameraTransports());
    const char* simulate = std::getenv("OVILUX_SIMULATE");
    if (simulate != nullptr && *simulate != '\0') {
        std::printf("            OVILUX_SIMULATE=%s: the library shows simulated cameras, not USB ones\n", simulate);
    }
}

#ifdef _WIN32

void PrintSettingsStore() {
    const char* key = std::getenv("OVILUX_REGISTRY");
    std::printf("settings    HKEY_CURRENT_USER\\%s\n",
                key != nullptr && *key != '\0' ? key : "Software\\Tesmor\\OviluxM03UXSdk");
}

bool CheckUsb() {
    std::printf("usb         cameras are reached through the FX3 driver; see the Device Manager\n");
    return true;
}

#else

constexpr uint16_t kCameraVendor = 0x04B4;
constexpr uint16_t kFirstCameraProduct = 0x3000;
constexpr uint16_t kLastCameraProduct = 0x33FF;
// The largest single transfer a camera of the family makes: a whole full-size frame of 16-bit
// samples, read at once by the cameras that deliver frames in one piece.
constexpr unsigned kStreamingNeedMiB = (2592u * 1944u * 2u + (1u << 20) - 1) >> 20;

void PrintSettingsStore() {
    const char* store = std::getenv("OVILUX_REGISTRY");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string path;
    if (store != nullptr && *store != '\0') {
        path = store;
    } else if (config != nullptr && *config != '\0') {
        path = std::string(config) + "/ovilux/registry.sqlite3";
    } else {
        path = std::string(home != nullptr ? home : "~") + "/.config/ovilux/registry.sqlite3";
    }
    std::printf("settings    %s\n", path.c_str());
}

// True when every camera found may be opened by this user.
bool CheckCameras() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
        std::printf("usb         libusb could not start: is /dev/bus/usb there (a container may hide it)?\n");
        return false;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    int cameras = 0;
    bool allOpen = true;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS ||
            descriptor.idVendor != kCameraVendor || descriptor.idProduct < kFirstCameraProduct ||
            descriptor.idProduct > kLastCameraProduct) {
            continue;
        }
        ++cameras;
        char node[64];
        std::snprintf(node, sizeof(node), "/dev/bus/usb/%03u/%03u", static_cast<unsigned>(libusb_get_bus_number(list[i])),
                      static_cast<unsigned>(libusb_get_device_address(list[i])));
        const bool mayOpen = access(node, R_OK | W_OK) == 0;
        allOpen = allOpen && mayOpen;
        std::printf("camera      %04x:%04x at %s: %s\n", static_cast<unsigned>(descriptor.idVendor),
                    static_cast<unsigned>(descriptor.idProduct), node,
                    mayOpen ? "this user may open it" : "this user may NOT open it");
        if (!mayOpen) {
            std::printf("            a udev rule allows it (packaging/60-ovilux.rules holds the whole family):\n"
                        "            SUBSYSTEM==\"usb\", ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\", "
                        "TAG+=\"uaccess\"\n"
                        "            then: sudo udevadm control --reload && sudo udevadm trigger, and plug it in again\n",
                        static_cast<unsigned>(descriptor.idVendor), static_cast<unsigned>(descriptor.idProduct));
        }
    }
    if (list != nullptr) {
        libusb_free_device_list(list, 1);
    }
    libusb_exit(context);
    if (cameras == 0) {
        std::printf("cameras     none on USB (vendor 04b4, products 3000 to 33ff)\n");
    }
    return allOpen;
}

// True when usbfs lets a transfer as large as streaming needs through.
bool CheckUsbfsMemory() {
    std::ifstream file("/sys/module/usbcore/parameters/usbfs_memory_mb");
    long limit = -1;
    if (!(file >> limit) || limit < 0) {
        std::printf("usbfs       memory limit unknown (no /sys/module/usbcore/parameters/usbfs_memory_mb)\n");
        return true;
    }
    const bool enough = limit == 0 || static_cast<unsigned long>(limit) >= kStreamingNeedMiB;
    std::printf("usbfs       memory limit %ld MiB%s; streaming needs up to %u MiB in flight: %s\n", limit,
                limit == 0 ? " (0: none)" : "", kStreamingNeedMiB, enough ? "enough" : "TOO LOW");
    if (!enough) {
        std::printf("            raise it: echo 256 | sudo tee /sys/module/usbcore/parameters/usbfs_memory_mb\n"
                    "            (for good: usbcore.usbfs_memory_mb=256 on the kernel command line)\n");
    }
    return enough;
}

bool CheckUsb() {
    const bool cameras = CheckCameras();
    const bool memory = CheckUsbfsMemory();
    return cameras && memory;
}

#endif

}  // namespace

int DoctorCommand(Arguments& args, const GlobalOptions& /*global*/) {
    if (!args.Empty()) {
        Complain("doctor takes no arguments, not \"" + args.Peek() + "\"");
        PrintCommandUsage("doctor", stderr);
        return kExitUsage;
    }
    PrintBuild();
    const bool usable = CheckUsb();
    PrintSettingsStore();
    return usable ? kExitOk : kExitFailed;
}

}  // namespace ovilux_tool
