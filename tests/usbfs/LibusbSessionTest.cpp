// Sessions of the library on cameras it reaches through libusb, whose usbfs requests umockdev
// hands to simulated cameras: the exports' registers, SROM and snapshots, a camera unplugged
// during live view, the device-change messages, and the camera plugged in again and selected.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OviluxSdk.h"
#include "sim/SimCamera.h"
#include "tools/ToolRunner.h"
#include "usbfs/EmulatedUsbBus.h"

namespace ovilux::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// The first message on window that matches, within timeoutMs; the others are dropped.
template <typename Match>
bool AwaitMessage(OVILUX_HWND window, uint32_t timeoutMs, Match match, Message* found = nullptr) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Message m;
    while (Clock::now() < deadline) {
        if (OviluxWnd_GetMessage(window, 50, &m.message, &m.wParam, &m.lParam) == 1 && match(m)) {
            if (found != nullptr) {
                *found = m;
            }
            return true;
        }
    }
    return false;
}

// A device-change message of the given kind naming a path with the product's digits.
auto DeviceChange(uintptr_t kind, const char* productDigits) {
    return [kind, productDigits](const Message& m) {
        if (m.message != OVILUX_WM_DEVICECHANGE || m.wParam != kind || m.lParam == 0) {
            return false;
        }
        const auto* record = reinterpret_cast<const OviluxDeviceBroadcast*>(m.lParam);
        return record->deviceType == 5 && std::strstr(record->name, productDigits) != nullptr &&
               record->size == 28 + std::strlen(record->name) + 1;
    };
}

class LibusbSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(EmulatedUsbBus::Preloaded()) << "run under umockdev's preload";
        unsetenv("OVILUX_SIMULATE");  // the cameras come through libusb, not the simulated bus
        bus.Plug(0x3030, 1);
        notify_ = OviluxWnd_CreateMessageWindow();
        ASSERT_NE(notify_, nullptr);
        handle_ = Ovilux_Initialize(notify_);
        ASSERT_NE(handle_, 0u);
        // libusb hears of a camera on its own thread; a session made before that selects it now.
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        char names[10 * 256];
        Message ignored;
        while (Ovilux_EnumDevice(handle_, names) != 1 && Clock::now() < deadline) {
            OviluxWnd_GetMessage(notify_, 20, &ignored.message, &ignored.wParam, &ignored.lParam);
        }
        ASSERT_STREQ(names, "OviluxM03-UX_01")
            << "no camera: the device table is shared by every process of this user, and programs "
               "running beside this one may have filled its 32 rows";
        ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, DeviceNumber()), 1);
        ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
    }
    // The camera's number in the device table, which every process of this user shares: rows
    // that other programs' cameras left come before it.
    int32_t DeviceNumber() {
        char name[64];
        for (int32_t number = 0; number < 32; ++number) {
            if (Ovilux_GetDeviceName(handle_, number, name, sizeof(name)) == 1) {
                return number;
            }
        }
        return -1;
    }
    void TearDown() override {
        if (handle_ != 0) {
            Ovilux_Release(handle_);
        }
        if (notify_ != nullptr) {
            OviluxWnd_DestroyWindow(notify_);
        }
        bus.Unplug(1);
    }
    int32_t Snap() { return Ovilux_SnapShot(handle_, picture_.data(), static_cast<int32_t>(picture_.size()), 1); }

    EmulatedUsbBus& bus = EmulatedUsbBus::Instance();
    OVILUX_HWND notify_ = nullptr;
    uint32_t handle_ = 0;
    std::vector<uint8_t> picture_ = std::vector<uint8_t>(2592u * 1944u);
};

}  // namespace

TEST_F(LibusbSession, RegistersSromAndSnapshotsGoThroughLibusb) {
    int32_t ok = 0;
    ASSERT_EQ(Ovilux_Fpga_WriteRegister(handle_, 7, 0x3C), 1);
    EXPECT_EQ(Ovilux_Fpga_ReadRegister(handle_, 7, &ok), 0x3C);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Ovilux_WriteSromID(handle_, 0x0F0, 0x5B), 1);
    EXPECT_EQ(Ovilux_ReadSromID(handle_, 0x0F0, &ok), 0x5B);
    EXPECT_EQ(ok, 1);
    ASSERT_EQ(Snap(), 1);
    const int32_t width = Ovilux_Width(handle_);
    const int32_t height = Ovilux_Height(handle_);
    ASSERT_GT(width * height, 0);
    const auto frameEnd = picture_.begin() + static_cast<ptrdiff_t>(((width + 3) & ~3) * height);
    const auto [darkest, brightest] = std::minmax_element(picture_.begin(), frameEnd);
    EXPECT_LT(*darkest + 100, *brightest) << "the camera's chart, not an empty frame";
}

TEST_F(LibusbSession, UnpluggedDuringLiveViewEndsWithCodeThirteenAndComesBack) {
    OVILUX_HWND frames = OviluxWnd_CreateMessageWindow();
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(Ovilux_CallBackPreview(handle_, frames, nullptr, 0, 1), 1);
    ASSERT_TRUE(AwaitMessage(frames, 10000, [](const Message& m) { return m.message == OVILUX_WM_FRAME && m.wParam != 0; }))
        << "live view delivers frames";
    bus.Unplug(1);
    EXPECT_TRUE(AwaitMessage(frames, 10000, [](const Message& m) {
        return m.message == OVILUX_WM_FRAME && m.wParam == 0 && m.lParam == OVILUX_CODE_CAMERA_LOST;
    }));
    EXPECT_TRUE(AwaitMessage(notify_, 5000, DeviceChange(OVILUX_DEVICE_REMOVE_COMPLETE, "pid_3030")));
    const auto stopStart = Clock::now();
    EXPECT_EQ(Ovilux_StopPreview(handle_), 1);
    EXPECT_LT(Clock::now() - stopStart, std::chrono::seconds(2));
    OviluxWnd_DestroyWindow(frames);

    // Plugged into the same port again: announced, and selected again in the same session.
    ASSERT_NE(bus.Plug(0x3030, 1), nullptr);
    Message arrival;
    ASSERT_TRUE(AwaitMessage(notify_, 5000, DeviceChange(OVILUX_DEVICE_ARRIVAL, "pid_3030"), &arrival));
    EXPECT_NE(std::strstr(reinterpret_cast<const OviluxDeviceBroadcast*>(arrival.lParam)->name, "#b001p1#"), nullptr);
    ASSERT_EQ(Ovilux_SetDeviceNumber(handle_, DeviceNumber()), 1);
    EXPECT_EQ(Snap(), 1);
}

// The tool, in a process of its own, reads the same emulated sysfs and usbfs.
TEST_F(LibusbSession, DoctorSeesTheCameraAndWeighsTheUsbfsLimit) {
    struct Case {
        const char* limitMiB;
        int exitCode;
        const char* verdict;
    };
    for (const Case& c : {Case{"16", 0, "streaming needs up to 10 MiB in flight: enough"},
                          Case{"4", 1, "TOO LOW"}, Case{"0", 0, "(0: none)"}}) {
        bus.WriteSysFile("module/usbcore/parameters/usbfs_memory_mb", std::string(c.limitMiB) + "\n");
        const ToolRun run = RunBesideMe("ovilux", {"doctor"}, {{"OVILUX_SIMULATE", ""}});
        EXPECT_EQ(run.exitCode, c.exitCode) << c.limitMiB << run.output;
        EXPECT_NE(run.output.find(c.verdict), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("camera      04b4:3030 at /dev/bus/usb/001/"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("this user may open it"), std::string::npos) << run.output;
    }
}

}  // namespace ovilux::test
