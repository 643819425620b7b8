// The OviluxSim_ exports of the library, and OVILUX_SIMULATE / OVILUX_SIM_SPEED at load time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "OviluxSim.h"
#include "support/ChildProcess.h"

namespace test = ovilux::test;

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

// Child: reports what the library attached as it loaded. Args: expected count, expected speed.
const bool g_listRole = test::RegisterChildRole("list", [](const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return 2;
    }
    OviluxSimCamera cameras[4] = {};
    const int32_t count = OviluxSim_List(cameras, 4);
    if (count != std::stoi(args[0]) || OviluxSim_GetSpeed() != std::stoi(args[1])) {
        return 3;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (cameras[i].port != i || cameras[i].productId != 0x3030 || cameras[i].vendorId != 0x04B4 ||
            std::string(cameras[i].path).substr(21, 4) != "3030") {
            return 4;
        }
    }
    return 0;
});

TEST(SimApi, AttachListAndDetachCameras) {
    ASSERT_EQ(OviluxSim_Attach(0x3030, 2), 2);
    ASSERT_EQ(OviluxSim_Attach(0x3030, OVILUX_SIM_ANY_PORT), 0);
    OviluxSimCamera cameras[1];
    EXPECT_EQ(OviluxSim_List(cameras, 1), 2) << "the count of all, though one record fits";
    EXPECT_EQ(cameras[0].port, 0);
    EXPECT_EQ(OviluxSim_List(nullptr, 0), 2);
    EXPECT_EQ(OviluxSim_Detach(2), 1);
    EXPECT_EQ(OviluxSim_Detach(2), 0);
    EXPECT_EQ(OviluxSim_Detach(0), 1);
    EXPECT_EQ(OviluxSim_List(nullptr, 0), 0);
}

TEST(SimApi, RefusesBadArguments) {
    EXPECT_EQ(OviluxSim_Attach(0x3021, -1), -1) << "no product of the family has this id";
    EXPECT_EQ(OviluxSim_Attach(0x13030, -1), -1);
    EXPECT_EQ(OviluxSim_Attach(0x3030, OVILUX_SIM_PORT_COUNT), -1);
    EXPECT_EQ(OviluxSim_List(nullptr, 1), -1);
    EXPECT_EQ(OviluxSim_List(nullptr, -1), -1);
    EXPECT_EQ(OviluxSim_Detach(-5), 0);
    EXPECT_EQ(OviluxSim_SetSpeed(7), 0);
    uint16_t word = 0;
    uint8_t byte = 0;
    uint32_t count = 0;
    // No camera on the port.
    EXPECT_EQ(OviluxSim_Trigger(9), 0);
    EXPECT_EQ(OviluxSim_DropHeaders(9, 1), 0);
    EXPECT_EQ(OviluxSim_MisreportPayload(9, 1, 1), 0);
    EXPECT_EQ(OviluxSim_Stall(9, 1), 0);
    EXPECT_EQ(OviluxSim_SilenceBusAddress(9, 0x40, 1), 0);
    EXPECT_EQ(OviluxSim_FailSromWrites(9, 1), 0);
    EXPECT_EQ(OviluxSim_PeekSensorRegister(9, 0, &word), 0);
    EXPECT_EQ(OviluxSim_GetFrameCount(9, &count), 0);
    EXPECT_EQ(OviluxSim_GetFramesSent(9, &count), 0);
    uint64_t nanoseconds = 0;
    EXPECT_EQ(OviluxSim_GetCpuTime(9, &nanoseconds), 0);
    ASSERT_EQ(OviluxSim_Attach(0x3030, 9), 9);
    EXPECT_EQ(OviluxSim_PeekSensorRegister(9, 0, nullptr), 0);
    EXPECT_EQ(OviluxSim_PeekSensorRegister(9, 0x100, &word), 0);
    EXPECT_EQ(OviluxSim_PeekFpgaRegister(9, 0x100, &byte), 0);
    EXPECT_EQ(OviluxSim_PeekSrom(9, 8192, &byte), 0);
    EXPECT_EQ(OviluxSim_SilenceBusAddress(9, 0x100, 1), 0);
    EXPECT_EQ(OviluxSim_GetFrameCount(9, nullptr), 0);
    EXPECT_EQ(OviluxSim_GetFramesSent(9, nullptr), 0);
    EXPECT_EQ(OviluxSim_GetCpuTime(9, nullptr), 0);
    EXPECT_EQ(OviluxSim_GetCpuTime(9, &nanoseconds), 1);
    OviluxSim_Detach(9);
}

TEST(SimApi, ControlsAndPeeksReachTheCamera) {
    ASSERT_EQ(OviluxSim_Attach(0x3030, 1), 1);
    uint16_t word = 0;
    uint8_t byte = 0;
    uint32_t count = 99;
    ASSERT_EQ(OviluxSim_PeekSensorRegister(1, 0x00, &word), 1);
    EXPECT_EQ(word, 0x1801);
    ASSERT_EQ(OviluxSim_PeekFpgaRegister(1, 60, &byte), 1);
    EXPECT_EQ(byte, 1);
    ASSERT_EQ(OviluxSim_PeekSrom(1, 0x1080, &byte), 1);
    EXPECT_EQ(byte, 0xFF);
    ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_FAST), 1);
    EXPECT_EQ(OviluxSim_GetSpeed(), OVILUX_SIM_SPEED_FAST);
    ASSERT_EQ(OviluxSim_GetFrameCount(1, &count), 1);
    EXPECT_EQ(count, 0u) << "fast mode makes frames only when they are read";
    EXPECT_EQ(OviluxSim_Trigger(1), 0) << "not in trigger mode";
    EXPECT_EQ(OviluxSim_DropHeaders(1, 2), 1);
    EXPECT_EQ(OviluxSim_MisreportPayload(1, -10, 1), 1);
    EXPECT_EQ(OviluxSim_Stall(1, 5), 1);
    EXPECT_EQ(OviluxSim_SilenceBusAddress(1, 0x90, 1), 1);
    EXPECT_EQ(OviluxSim_FailSromWrites(1, 1), 1);
    ASSERT_EQ(OviluxSim_SetSpeed(OVILUX_SIM_SPEED_REALTIME), 1);
    EXPECT_EQ(OviluxSim_GetSpeed(), OVILUX_SIM_SPEED_REALTIME);
    EXPECT_EQ(OviluxSim_Detach(1), 1);
}

TEST(SimApi, TheEnvironmentAttachesCamerasWhenTheLibraryLoads) {
    SetVariable("OVILUX_SIMULATE", nullptr);
    SetVariable("OVILUX_SIM_SPEED", nullptr);
    EXPECT_EQ(test::RunChild("list", {"0", "1"}), 0) << "off, and realtime, unless asked";
    SetVariable("OVILUX_SIMULATE", "3030,3030");
    SetVariable("OVILUX_SIM_SPEED", "fast");
    EXPECT_EQ(test::RunChild("list", {"2", "0"}), 0);
    SetVariable("OVILUX_SIMULATE", "0x3030, nonsense,3021");
    SetVariable("OVILUX_SIM_SPEED", "realtime");
    EXPECT_EQ(test::RunChild("list", {"1", "1"}), 0);
    SetVariable("OVILUX_SIMULATE", nullptr);
    SetVariable("OVILUX_SIM_SPEED", nullptr);
}

}  // namespace
