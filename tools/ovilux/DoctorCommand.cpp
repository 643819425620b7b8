// DoctorCommand.cpp - ovilux doctor: what stands between this user and the cameras. Lists the
// cameras on USB, whether this user may open and claim each (the udev rules that would allow
// it, another process or a kernel driver holding it), usbfs's memory limit against what the
// attached cameras keep in flight, the library's build and transports, and where the settings live.
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
#include <vector>
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
constexpr int kCameraInterface = 0;
constexpr const char* kUsbfsMemoryLimitFile = "/sys/module/usbcore/parameters/usbfs_memory_mb";
// What a camera keeps in flight while it streams: the family reads a frame's payload in 512 KiB
// transfers one after another, while the FX3-direct product (0x3042) reads a whole frame, a
// full-size frame of 16-bit samples, in one transfer.
constexpr uint16_t kWholeFrameProduct = 0x3042;
constexpr unsigned kChunkKiB = 512;
constexpr unsigned kWholeFrameKiB = (2592u * 1944u * 2u + 1023u) / 1024u;

unsigned InFlightKiB(uint16_t product) { return product == kWholeFrameProduct ? kWholeFrameKiB : kChunkKiB; }

std::string MiB(unsigned kib) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f MiB", kib / 1024.0);
    return text;
}

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

void PrintAccessRules(uint16_t vendor, uint16_t product) {
    std::printf("            udev rules allow it (packaging/60-ovilux.rules holds the whole family), in\n"
                "            /etc/udev/rules.d/60-ovilux.rules; for the user at the seat (a desktop login):\n"
                "            SUBSYSTEM==\"usb\", ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\", TAG+=\"uaccess\"\n"
                "            for users without a seat (SSH, services, containers, a second user), by group:\n"
                "            SUBSYSTEM==\"usb\", ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\", GROUP=\"video\", "
                "MODE=\"0660\"\n"
                "            and: sudo usermod -aG video $USER (log in again); then: sudo udevadm control --reload\n"
                "            && sudo udevadm trigger, and plug the camera in again\n",
                static_cast<unsigned>(vendor), static_cast<unsigned>(product), static_cast<unsigned>(vendor),
                static_cast<unsigned>(product));
}

// Opens and claims the camera as the library would: the node's mode is not the whole story.
bool TryClaim(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    const int opened = libusb_open(device, &handle);
    if (opened != LIBUSB_SUCCESS) {
        std::printf("            but it does not open: %s\n", libusb_strerror(opened));
        return false;
    }
    bool ready = false;
    if (libusb_kernel_driver_active(handle, kCameraInterface) == 1) {
        std::printf("            but a kernel driver holds its interface: unbind it (see the driver link under\n"
                    "            /sys/bus/usb/devices/%u-*:1.0) or blacklist the module\n",
                    static_cast<unsigned>(libusb_get_bus_number(device)));
    } else {
        const int claimed = libusb_claim_interface(handle, kCameraInterface);
        if (claimed == LIBUSB_SUCCESS) {
            libusb_release_interface(handle, kCameraInterface);
            std::printf("            opened and claimed: ready\n");
            ready = true;
        } else if (claimed == LIBUSB_ERROR_BUSY) {
            std::printf("            but it is in use by another process (a session of the library holds it\n"
                        "            from selection to release): fuser -v /dev/bus/usb/%03u/%03u names it\n",
                        static_cast<unsigned>(libusb_get_bus_number(device)),
                        static_cast<unsigned>(libusb_get_device_address(device)));
        } else {
            std::printf("            but its interface cannot be claimed: %s\n", libusb_strerror(claimed));
        }
    }
    libusb_close(handle);
    return ready;
}

// True when every camera found may be opened and claimed by this user; adds each camera's
// product to products.
bool CheckCameras(std::vector<uint16_t>& products) {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) {
        std::printf("usb         libusb could not start: is /dev/bus/usb there (a container may hide it)?\n");
        return false;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    bool allReady = true;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS ||
            descriptor.idVendor != kCameraVendor || descriptor.idProduct < kFirstCameraProduct ||
            descriptor.idProduct > kLastCameraProduct) {
            continue;
        }
        products.push_back(descriptor.idProduct);
        char node[64];
        std::snprintf(node, sizeof(node), "/dev/bus/usb/%03u/%03u", static_cast<unsigned>(libusb_get_bus_number(list[i])),
                      static_cast<unsigned>(libusb_get_device_address(list[i])));
        const bool mayOpen = access(node, R_OK | W_OK) == 0;
        std::printf("camera      %04x:%04x at %s: %s\n", static_cast<unsigned>(descriptor.idVendor),
                    static_cast<unsigned>(descriptor.idProduct), node,
                    mayOpen ? "this user may open it" : "this user may NOT open it");
        if (!mayOpen) {
            PrintAccessRules(descriptor.idVendor, descriptor.idProduct);
        }
        allReady = (mayOpen && TryClaim(list[i])) && allReady;
    }
    if (list != nullptr) {
        libusb_free_device_list(list, 1);
    }
    libusb_exit(context);
    if (products.empty()) {
        std::printf("cameras     none on USB (vendor 04b4, products 3000 to 33ff)\n");
    }
    return allReady;
}

// True when usbfs's limit, one budget for every transfer in flight on the system, holds what the
// attached cameras keep in flight while all of them stream.
bool CheckUsbfsMemory(const std::vector<uint16_t>& products) {
    std::ifstream file(kUsbfsMemoryLimitFile);
    long limit = -1;
    if (!(file >> limit) || limit < 0) {
        std::printf("usbfs       memory limit unknown (no %s)\n", kUsbfsMemoryLimitFile);
        return true;
    }
    unsigned needKiB = 0;
    for (uint16_t product : products) {
        needKiB += InFlightKiB(product);
    }
    const bool enough = limit == 0 || static_cast<unsigned long>(limit) * 1024u >= needKiB;
    std::printf("usbfs       memory limit %ld MiB%s for all transfers in flight on the system\n", limit,
                limit == 0 ? " (0: none)" : "");
    for (size_t i = 0; i < products.size(); ++i) {
        std::printf("            04b4:%04x keeps up to %s in flight while it streams\n",
                    static_cast<unsigned>(products[i]), MiB(InFlightKiB(products[i])).c_str());
    }
    std::printf("            %zu camera%s streaming at once need%s %s: %s\n", products.size(),
                products.size() == 1 ? "" : "s", products.size() == 1 ? "s" : "", MiB(needKiB).c_str(),
                enough ? "enough" : "TOO LOW");
    if (!enough) {
        std::printf("            raise it: echo 256 | sudo tee %s\n"
                    "            (for good: usbcore.usbfs_memory_mb=256 on the kernel command line)\n",
                    kUsbfsMemoryLimitFile);
    }
    return enough;
}

bool CheckUsb() {
    std::vector<uint16_t> products;
    const bool cameras = CheckCameras(products);
    const bool memory = CheckUsbfsMemory(products);
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
