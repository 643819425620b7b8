// Device-change messages for simulated cameras: a camera plugged in or unplugged is announced to
// the notification window as Windows announces a device interface, and a camera plugged back in
// is selected again within the same session.
#include <cstring>
#include <string>
#include <vector>

#include "api/SimulatedCameras.h"

namespace ovilux::test {
namespace {

// The device-change messages among messages, as (kind, interface path).
std::vector<std::pair<uintptr_t, std::string>> DeviceChanges(const std::vector<PostedMessage>& messages) {
    std::vector<std::pair<uintptr_t, std::string>> changes;
    for (const PostedMessage& m : messages) {
        if (m.message != OVILUX_WM_DEVICECHANGE) {
            continue;
        }
        const auto* record = reinterpret_cast<const OviluxDeviceBroadcast*>(m.lParam);
        EXPECT_NE(record, nullptr);
        if (record == nullptr) {
            continue;
        }
        EXPECT_EQ(record->deviceType, 5u);
        EXPECT_EQ(record->size, 28 + std::strlen(record->name) + 1);
        EXPECT_EQ(record->classGuid[0], 0xC5);
        changes.emplace_back(m.wParam, record->name);
    }
    return changes;
}

std::string PathOfPort(int32_t port) {
    OviluxSimCamera cameras[8] = {};
    const int32_t count = OviluxSim_List(cameras, 8);
    for (int32_t i = 0; i < count; ++i) {
        if (cameras[i].port == port) {
            return cameras[i].path;
        }
    }
    return {};
}

// The device number of the one present camera, -1 when none: rows of cameras gone (or seen only
// by other processes sharing the table) keep their numbers.
int32_t PresentNumber(uint32_t handle) {
    char name[64];
    for (int32_t number = 0; number < 32; ++number) {
        if (Ovilux_GetDeviceName(handle, number, name, sizeof(name)) == 1) {
            return number;
        }
    }
    return -1;
}

class DeviceChange : public SessionTest {};

}  // namespace

TEST_F(DeviceChange, PlugsAndUnplugsAreAnnouncedAndACameraPluggedBackIsSelectedAgain) {
    OpenSession(1);
    const std::string path = PathOfPort(0);
    ASSERT_FALSE(path.empty());
    Drain(notify_);
    std::vector<uint8_t> picture(2592u * 1944u);
    ASSERT_EQ(Ovilux_SetColorMode(handle_, 8), 1);
    struct Step {
        const char* name;
        bool plug;
        uintptr_t kind;
    };
    for (const Step& step : {Step{"unplug", false, OVILUX_DEVICE_REMOVE_COMPLETE},
                             Step{"plug in again", true, OVILUX_DEVICE_ARRIVAL}}) {
        ASSERT_EQ(step.plug ? OviluxSim_Attach(0x3030, 0) : OviluxSim_Detach(0), step.plug ? 0 : 1) << step.name;
        const auto changes = DeviceChanges(Drain(notify_, 2000));
        ASSERT_EQ(changes.size(), 1u) << step.name;
        EXPECT_EQ(changes[0].first, step.kind) << step.name;
        EXPECT_EQ(changes[0].second, path) << step.name;
        EXPECT_EQ(Ovilux_SetDeviceNumber(handle_, step.plug ? PresentNumber(handle_) : 0), step.plug ? 1 : 0)
            << step.name;
        EXPECT_EQ(Ovilux_SnapShot(handle_, picture.data(), static_cast<int32_t>(picture.size()), 1), step.plug ? 1 : 0)
            << step.name;
    }
    // The camera moves to another port: a new row with a later number, listed although the old
    // row stays absent before it.
    const int32_t before = PresentNumber(handle_);
    ASSERT_EQ(OviluxSim_Detach(0), 1);
    ASSERT_EQ(OviluxSim_Attach(0x3030, 2), 2);
    char names[10 * 256] = {};
    EXPECT_EQ(Ovilux_EnumDevice(handle_, names), 1);
    EXPECT_STREQ(names, "OviluxM03-UX_01");
    const int32_t after = PresentNumber(handle_);
    EXPECT_GT(after, before);
    EXPECT_EQ(Ovilux_SetDeviceNumber(handle_, before), 0) << "the old row";
    EXPECT_EQ(Ovilux_SetDeviceNumber(handle_, after), 1) << "the moved camera";
    OviluxSim_Detach(2);
    // A released session's window hears of no more cameras.
    ASSERT_EQ(Ovilux_Release(handle_), 1);
    handle_ = 0;
    Drain(notify_);
    ASSERT_EQ(OviluxSim_Attach(0x3030, 1), 1);
    EXPECT_TRUE(DeviceChanges(Drain(notify_, 200)).empty());
    OviluxSim_Detach(1);
}

}  // namespace ovilux::test
