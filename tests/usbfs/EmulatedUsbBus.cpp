// EmulatedUsbBus.cpp - umockdev's testbed and the usbfs requests it hands over, answered by
// simulated cameras.
#include "usbfs/EmulatedUsbBus.h"

#include <sys/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <ftw.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/PendingRequest.h"
#include "sim/SimCamera.h"

namespace ovilux::test {

namespace {

constexpr int kPortCount = 16;
constexpr int kFirstDeviceNumber = 2;  // 1 is the root hub's
constexpr int kLastDeviceNumber = 127;
constexpr size_t kSetupBytes = 8;
constexpr uint32_t kHeaderBytes = 38;
constexpr uint64_t kRequestHandle = 1;  // the simulated camera's handle number for every URB

// The camera's descriptors as sysfs shows them: device, configuration, one vendor interface
// with the bulk endpoint 0x81.
std::vector<uint8_t> Descriptors(uint16_t productId) {
    return {18, 1, 0x00, 0x03, 0, 0, 0, 9, 0xB4, 0x04, static_cast<uint8_t>(productId & 0xFF),
            static_cast<uint8_t>(productId >> 8), 0x00, 0x01, 0, 0, 0, 1,
            9, 2, 25, 0, 1, 1, 0, 0x80, 50,
            9, 4, 0, 0, 1, 0xFF, 0, 0, 0,
            7, 5, 0x81, 2, 0x00, 0x04, 0};
}

void StoreLe16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
void StoreLe32(uint8_t* p, uint32_t value) {
    StoreLe16(p, value);
    StoreLe16(p + 2, value >> 16);
}

// The errno a URB ends with, from how the simulated camera ended its request.
int UrbStatus(const platform::IoResult& result) {
    if (result.ok) {
        return 0;
    }
    switch (result.error) {
        case platform::win32_error::kOperationAborted:
            return -ENOENT;
        case platform::win32_error::kDeviceNotConnected:
            return -ESHUTDOWN;  // what the host controller ends an unplugged device's URBs with
        default:
            return -EPIPE;
    }
}

}  // namespace

// One URB submitted and not yet reaped.
struct Urb {
    uint64_t clientAddress = 0;
    UMockdevIoctlData* data = nullptr;  // the client's usbdevfs_urb, written back when reaped
    std::shared_ptr<sim::CPendingRequest> read;  // bulk reads only
    int status = 0;
    int actualLength = 0;
    uint8_t* buffer = nullptr;
    int bufferLength = 0;
    bool shortNotOk = false;
    std::optional<BulkFault> fault;
};

struct PlannedFault {
    BulkFault fault;
    uint32_t skip;
    uint32_t count;
};

// One device as umockdev shows it; its requests arrive on umockdev's own thread.
struct EmulatedUsbBus::Slot {
    std::mutex mutex;
    std::shared_ptr<sim::CSimCamera> camera;
    std::string sysPath;
    std::string devnode;
    int number = 0;
    bool gone = false;
    std::deque<Urb> urbs;
    uint32_t capabilities = kKernelCapabilities;
    std::string kernelDriver;
    UMockdevIoctlClient* claimant = nullptr;  // the open file holding the interface
    std::deque<PlannedFault> faults;
};

struct EmulatedUsbBus::State {
    UMockdevTestbed* testbed = nullptr;
    std::mutex mutex;
    // Kept for the process's life: umockdev may still hand a request to a device long unplugged.
    std::vector<std::unique_ptr<Slot>> devices;
    Slot* ports[kPortCount] = {};
    int lastDeviceNumber = 1;  // the root hub's
    std::vector<std::string> attachedNodes;
};

namespace {

void Complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

// A control URB: the setup packet becomes the driver's control block for the camera.
void RunControl(sim::CSimCamera& camera, uint8_t* buffer, Urb& record) {
    const uint16_t length = static_cast<uint16_t>(buffer[6] | buffer[7] << 8);
    std::vector<uint8_t> block(kHeaderBytes + length, 0);
    block[0] = buffer[0];
    block[1] = buffer[1];
    std::memcpy(&block[2], buffer + 2, 4);  // value and index, little-endian as in the setup packet
    StoreLe16(&block[6], static_cast<uint32_t>(block.size()));
    StoreLe32(&block[30], kHeaderBytes);
    StoreLe32(&block[34], length);
    const bool toHost = (buffer[0] & 0x80) != 0;
    if (!toHost) {
        std::memcpy(&block[kHeaderBytes], buffer + kSetupBytes, length);
    }
    const uint32_t size = static_cast<uint32_t>(block.size());
    const platform::IoResult result = camera.ControlTransfer(block.data(), size, block.data(), size);
    record.status = UrbStatus(result);
    if (result.ok) {
        const uint32_t replied = result.bytes >= kHeaderBytes ? result.bytes - kHeaderBytes : 0;
        record.actualLength = static_cast<int>(toHost ? std::min<uint32_t>(replied, length) : length);
        if (toHost) {
            std::memcpy(buffer + kSetupBytes, &block[kHeaderBytes], static_cast<size_t>(record.actualLength));
        }
    }
}

// The fault planned for the next bulk read, if any.
std::optional<BulkFault> TakeFault(EmulatedUsbBus::Slot& slot) {
    if (slot.faults.empty()) {
        return std::nullopt;
    }
    PlannedFault& next = slot.faults.front();
    if (next.skip > 0) {
        --next.skip;
        return std::nullopt;
    }
    const BulkFault fault = next.fault;
    if (--next.count == 0) {
        slot.faults.pop_front();
    }
    return fault;
}

// A finished bulk read as usbfs reports it, with its planned fault applied.
void EndBulkRead(const platform::IoResult& result, Urb& urb) {
    urb.status = UrbStatus(result);
    urb.actualLength = static_cast<int>(result.bytes);
    if (!result.ok || !urb.fault) {
        return;
    }
    if (*urb.fault == BulkFault::Short) {
        urb.actualLength /= 2;
        std::fill(urb.buffer + urb.actualLength, urb.buffer + urb.bufferLength, kUnwrittenByte);
        // A short packet on a URB that forbids it ends it with the kernel's own error.
        urb.status = urb.shortNotOk ? -EREMOTEIO : 0;
    } else if (*urb.fault == BulkFault::Overflow) {
        urb.status = -EOVERFLOW;
    }
}

gboolean AnswerNothingToReap(gpointer client) {
    umockdev_ioctl_client_complete(static_cast<UMockdevIoctlClient*>(client), -1, EAGAIN);
    g_object_unref(client);
    return G_SOURCE_REMOVE;
}

// The emulated node always polls ready, so libusb asks again at once whenever nothing is done:
// "nothing" comes after a millisecond, or that loop (at real-time priority as root) would
// take a core from everything else.
void AnswerNothingToReapSoon(UMockdevIoctlClient* client) {
    g_object_ref(client);
    GSource* source = g_timeout_source_new(1);
    g_source_set_callback(source, AnswerNothingToReap, client, nullptr);
    g_source_attach(source, g_main_context_get_thread_default());
    g_source_unref(source);
}

void OnClientVanished(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client, gpointer user) {
    auto* slot = static_cast<EmulatedUsbBus::Slot*>(user);
    std::lock_guard<std::mutex> lock(slot->mutex);
    if (slot->claimant == client) {
        slot->claimant = nullptr;  // closing the file releases its claim
    }
}

gboolean OnIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client, gpointer user) {
    auto* slot = static_cast<EmulatedUsbBus::Slot*>(user);
    std::lock_guard<std::mutex> lock(slot->mutex);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    // As usbfs does on a disconnect: the URBs in flight end and can still be reaped, every
    // other request fails.
    const bool reap = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
    if (slot->gone && !(reap && !slot->urbs.empty())) {
        Complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            const uint32_t value = slot->capabilities;
            std::memcpy(caps->data, &value, sizeof(value));
            Complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
            // Another open file's claim, or a kernel driver's, makes the interface busy.
            if ((slot->claimant != nullptr && slot->claimant != client) || !slot->kernelDriver.empty()) {
                Complete(client, -1, EBUSY);
                return TRUE;
            }
            slot->claimant = client;
            Complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
            if (slot->claimant == client) {
                slot->claimant = nullptr;
            }
            Complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_GETDRIVER: {
            UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
            if (slot->kernelDriver.empty()) {
                Complete(client, -1, ENODATA);
                return TRUE;
            }
            auto& answer = *reinterpret_cast<usbdevfs_getdriver*>(data->data);
            std::snprintf(answer.driver, sizeof(answer.driver), "%s", slot->kernelDriver.c_str());
            Complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_IOCTL:
            // Only the request to unbind a kernel driver comes here (libusb's, before claiming
            // again after a reset): with none bound the kernel answers "no data".
            if (slot->kernelDriver.empty()) {
                Complete(client, -1, ENODATA);
            } else {
                slot->kernelDriver.clear();
                Complete(client, 0, 0);
            }
            return TRUE;
        case USBDEVFS_CLEAR_HALT:
            slot->camera->ResetPipe();
            Complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_RESET:
            slot->camera->ResetPort();
            Complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_SUBMITURB: {
            uint64_t address = 0;
            std::memcpy(&address, arg->data, sizeof(address));
            UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
            auto& urb = *reinterpret_cast<usbdevfs_urb*>(urbData->data);
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
                urbData, G_STRUCT_OFFSET(usbdevfs_urb, buffer), static_cast<gsize>(urb.buffer_length), nullptr);
            if (buffer == nullptr) {
                Complete(client, -1, EINVAL);
                return TRUE;
            }
            Urb record;
            record.clientAddress = address;
            record.data = umockdev_ioctl_data_ref(urbData);
            record.buffer = buffer->data;
            record.bufferLength = urb.buffer_length;
            record.shortNotOk = (urb.flags & USBDEVFS_URB_SHORT_NOT_OK) != 0;
            if (urb.type == USBDEVFS_URB_TYPE_CONTROL && urb.buffer_length >= static_cast<int>(kSetupBytes)) {
                RunControl(*slot->camera, buffer->data, record);
            } else if (urb.type == USBDEVFS_URB_TYPE_BULK && urb.endpoint == 0x81) {
                record.fault = TakeFault(*slot);
                if (record.fault == BulkFault::NoMemory) {
                    umockdev_ioctl_data_unref(record.data);
                    Complete(client, -1, ENOMEM);
                    return TRUE;
                }
                if (record.fault != BulkFault::ZeroLength) {  // a zero-length packet takes no stream bytes
                    record.read = std::make_shared<sim::CPendingRequest>(
                        kRequestHandle, nullptr, nullptr, buffer->data, static_cast<uint32_t>(urb.buffer_length), 0,
                        std::nullopt);
                    slot->camera->Read(record.read, false);
                }
            } else {
                umockdev_ioctl_data_unref(record.data);
                Complete(client, -1, EINVAL);
                return TRUE;
            }
            slot->urbs.push_back(record);
            Complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_DISCARDURB: {
            uint64_t address = 0;
            std::memcpy(&address, arg->data, sizeof(address));
            // As usbfs: a URB that has already completed cannot be discarded, only reaped.
            for (Urb& urb : slot->urbs) {
                if (urb.clientAddress == address && urb.read != nullptr &&
                    slot->camera->Cancel(kRequestHandle, urb.read.get())) {
                    Complete(client, 0, 0);
                    return TRUE;
                }
            }
            Complete(client, -1, EINVAL);
            return TRUE;
        }
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            for (auto urb = slot->urbs.begin(); urb != slot->urbs.end(); ++urb) {
                if (urb->read != nullptr) {
                    const platform::IoResult result = urb->read->Result(false);
                    if (!result.ok && result.error == platform::win32_error::kIoIncomplete) {
                        continue;
                    }
                    EndBulkRead(result, *urb);
                }
                auto& written = *reinterpret_cast<usbdevfs_urb*>(urb->data->data);
                written.status = urb->status;
                written.actual_length = urb->actualLength;
                UMockdevIoctlData* slotData = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
                umockdev_ioctl_data_set_ptr(slotData, 0, urb->data);
                umockdev_ioctl_data_unref(urb->data);
                slot->urbs.erase(urb);
                Complete(client, 0, 0);
                return TRUE;
            }
            AnswerNothingToReapSoon(client);
            return TRUE;
        default:
            Complete(client, -1, ENOTTY);
            return TRUE;
    }
}

}  // namespace

namespace {

// The preload library must be in the process from its first instruction, so a program of these
// suites started without it (by CTest, or by hand) starts itself again with it, and with
// AddressSanitizer's check that its runtime comes first switched off.
const bool kPreloadEnsured = [] {
    if (EmulatedUsbBus::Preloaded()) {
        return true;
    }
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> words;
    for (size_t start = 0; start < cmdline.size();) {
        const size_t end = cmdline.find('\0', start);
        words.push_back(cmdline.substr(start, end - start));
        start = end == std::string::npos ? cmdline.size() : end + 1;
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const char* preload = std::getenv("LD_PRELOAD");
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string preloads = std::string("libumockdev-preload.so.0") + (preload != nullptr ? std::string(":") + preload : "");
    const std::string options = (asan != nullptr && *asan != '\0' ? std::string(asan) + ":" : std::string()) +
                                "verify_asan_link_order=0";
    setenv("LD_PRELOAD", preloads.c_str(), 1);
    setenv("ASAN_OPTIONS", options.c_str(), 1);
    execv("/proc/self/exe", argv.data());
    std::perror("starting again with umockdev's preload");
    return false;
}();

}  // namespace

bool EmulatedUsbBus::Preloaded() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

EmulatedUsbBus& EmulatedUsbBus::Instance() {
    // Never destroyed: libusb's threads may still ask the testbed while the process exits.
    static EmulatedUsbBus* const bus = new EmulatedUsbBus();
    return *bus;
}

namespace {

std::string g_testbedRoot;

int RemoveEntry(const char* path, const struct stat* /*status*/, int /*type*/, struct FTW* /*walk*/) {
    std::remove(path);
    return 0;
}

// The testbed is never finalised (libusb's threads may ask it until the very end), so its
// folder is removed when the program exits.
void RemoveTestbedFolder() {
    if (!g_testbedRoot.empty()) {
        nftw(g_testbedRoot.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
}

}  // namespace

EmulatedUsbBus::EmulatedUsbBus() : state_(new State()) {
    state_->testbed = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(state_->testbed);
    g_testbedRoot = root;
    g_free(root);
    std::atexit(RemoveTestbedFolder);
}

std::shared_ptr<sim::CSimCamera> EmulatedUsbBus::Plug(uint16_t productId, int port) {
    if (port < 1 || port >= kPortCount) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->ports[port] != nullptr) {
        return nullptr;
    }
    // As the kernel does: the next free number after the last one given, wrapping past 127.
    int number = state_->lastDeviceNumber;
    do {
        number = number >= kLastDeviceNumber ? kFirstDeviceNumber : number + 1;
    } while (std::any_of(std::begin(state_->ports), std::end(state_->ports),
                         [number](const Slot* taken) { return taken != nullptr && taken->number == number; }));
    state_->lastDeviceNumber = number;
    char name[16];
    char devnum[12];
    char devnode[40];
    char majorMinor[16];
    std::snprintf(name, sizeof(name), "1-%d", port);
    std::snprintf(devnum, sizeof(devnum), "%d", number);
    std::snprintf(devnode, sizeof(devnode), "/dev/bus/usb/001/%03d", number);
    std::snprintf(majorMinor, sizeof(majorMinor), "189:%d", number);
    UMockdevTestbed* testbed = state_->testbed;
    gchar* sysPath = umockdev_testbed_add_device(testbed, "usb", name, nullptr, "busnum", "1", "devnum", devnum, "speed",
                                                 "5000", "dev", majorMinor, "bConfigurationValue", "1", nullptr,
                                                 "DEVNAME", devnode, "DEVTYPE", "usb_device", nullptr);
    std::vector<uint8_t> descriptors = Descriptors(productId);
    umockdev_testbed_set_attribute_binary(testbed, sysPath, "descriptors", descriptors.data(),
                                          static_cast<gint>(descriptors.size()));
    // The testbed records the node's numbers but makes no file for it; usbfs opens the file.
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    const std::string nodeFile = std::string(root) + devnode;
    gchar* folder = g_path_get_dirname(nodeFile.c_str());
    g_mkdir_with_parents(folder, 0755);
    g_free(folder);
    g_free(root);
    g_file_set_contents(nodeFile.c_str(), "", 0, nullptr);

    auto slot = std::make_unique<Slot>();
    slot->camera = std::make_shared<sim::CSimCamera>(productId, port, nodeFile, sim::SimSpeed::Fast);
    slot->sysPath = sysPath;
    slot->devnode = devnode;
    slot->number = number;
    g_free(sysPath);
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(OnIoctl), slot.get());
    g_signal_connect(handler, "client-vanished", G_CALLBACK(OnClientVanished), slot.get());
    // A number given again gets the new device's handler; the old device is long gone.
    auto& attached = state_->attachedNodes;
    if (std::find(attached.begin(), attached.end(), slot->devnode) != attached.end()) {
        umockdev_testbed_detach_ioctl(testbed, devnode, nullptr);
    } else {
        attached.push_back(slot->devnode);
    }
    umockdev_testbed_attach_ioctl(testbed, devnode, handler, nullptr);
    umockdev_testbed_uevent(testbed, slot->sysPath.c_str(), "add");
    state_->ports[port] = slot.get();
    state_->devices.push_back(std::move(slot));
    return state_->ports[port]->camera;
}

void EmulatedUsbBus::Unplug(int port) {
    if (port < 1 || port >= kPortCount) {
        return;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    Slot* slot = state_->ports[port];
    if (slot == nullptr) {
        return;
    }
    state_->ports[port] = nullptr;
    {
        std::lock_guard<std::mutex> slotLock(slot->mutex);
        slot->gone = true;
    }
    slot->camera->Unplug();
    umockdev_testbed_uevent(state_->testbed, slot->sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(state_->testbed, slot->sysPath.c_str());
}

namespace {

// Runs change on the slot of the camera at port, under its lock; false when none is plugged.
template <typename Change>
bool WithSlot(EmulatedUsbBus::State& state, int port, Change change);

}  // namespace

void EmulatedUsbBus::FaultBulkReads(int port, BulkFault fault, uint32_t count, uint32_t skip) {
    WithSlot(*state_, port, [&](Slot& slot) { slot.faults.push_back({fault, skip, count}); });
}

void EmulatedUsbBus::SetCapabilities(int port, uint32_t capabilities) {
    WithSlot(*state_, port, [&](Slot& slot) { slot.capabilities = capabilities; });
}

void EmulatedUsbBus::BindKernelDriver(int port, const std::string& driver) {
    WithSlot(*state_, port, [&](Slot& slot) { slot.kernelDriver = driver; });
}

bool EmulatedUsbBus::Claimed(int port) {
    bool claimed = false;
    WithSlot(*state_, port, [&](Slot& slot) { claimed = slot.claimant != nullptr; });
    return claimed;
}

int EmulatedUsbBus::DeviceNumber(int port) {
    int number = 0;
    WithSlot(*state_, port, [&](Slot& slot) { number = slot.number; });
    return number;
}

namespace {

template <typename Change>
bool WithSlot(EmulatedUsbBus::State& state, int port, Change change) {
    if (port < 1 || port >= kPortCount) {
        return false;
    }
    std::lock_guard<std::mutex> lock(state.mutex);
    EmulatedUsbBus::Slot* slot = state.ports[port];
    if (slot == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> slotLock(slot->mutex);
    change(*slot);
    return true;
}

int OpenEntry(const char* path, const struct stat* status, int type, struct FTW* /*walk*/) {
    if (type == FTW_D || type == FTW_DP) {
        chmod(path, 0755);
    } else if (S_ISSOCK(status->st_mode)) {
        chmod(path, 0777);  // anyone may talk to the emulation, as anyone may ask a device node
    } else if (S_ISREG(status->st_mode)) {
        chmod(path, 0644);
    }
    return 0;
}

}  // namespace

void EmulatedUsbBus::OpenToEveryone() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    nftw(g_testbedRoot.c_str(), OpenEntry, 16, FTW_PHYS);
    // As /tmp: a program's preload makes its own event socket here when it listens for uevents.
    chmod(g_testbedRoot.c_str(), 01777);
}

void EmulatedUsbBus::WriteSysFile(const std::string& path, const std::string& content) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    gchar* sys = umockdev_testbed_get_sys_dir(state_->testbed);
    const std::string file = std::string(sys) + "/" + path;
    g_free(sys);
    gchar* folder = g_path_get_dirname(file.c_str());
    g_mkdir_with_parents(folder, 0755);
    g_free(folder);
    g_file_set_contents(file.c_str(), content.c_str(), static_cast<gssize>(content.size()), nullptr);
}

}  // namespace ovilux::test
